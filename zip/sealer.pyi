# Types of the proxy module sealer, as the module gives them (mypy.stubtest checks them against it).
from typing import Any, Callable

class Sealer:
    thisown: bool  # whether collecting the handle deletes the object
    # Deletes the object of a handle that still owns it when the handle is collected.
    __swig_destroy__: Callable[[Any], None]
    def __init__(self, password: bytes) -> None: ...
    def encrypt(self, data: bytes) -> bytes: ...
    def decrypt(self, data: bytes) -> bytes: ...
