# Types of the proxy module netopts, as the module gives them (mypy.stubtest checks them against it).

# 0, or the Winsock error code.
def setKeepaliveValues(sock: int, keepaliveTime: int, keepaliveInterval: int) -> int: ...
