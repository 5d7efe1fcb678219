"""TCP keep-alive timing for Python 3, over the extension module _netopts.

    from netopts import setKeepaliveValues
    error = setKeepaliveValues(sock.fileno(), 60, 10)   # 0, or the Winsock error code
"""
from _netopts import setKeepaliveValues
