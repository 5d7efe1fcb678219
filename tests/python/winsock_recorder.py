# The stand-in for Winsock that the Linux build of _netopts calls: it records every WSAIoctl call and
# answers with `error` (0: the call succeeds; otherwise WSAIoctl fails and WSAGetLastError gives it).
import collections

Call = collections.namedtuple('Call', 'sock control_code input has_output output_size')

calls = []
error = 0


def reset(next_error=0):
    global error
    del calls[:]
    error = next_error


def WSAIoctl(sock, control_code, input, has_output, output_size):
    calls.append(Call(sock, control_code, input, has_output, output_size))
    return error
