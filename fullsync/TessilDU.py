"""Disk and volume metadata for Python 3, over the extension module _TessilDU.

    from TessilDU import MetaStorage
    storage = MetaStorage()
    volume = storage.FirstVolume()                    # "\\\\?\\Volume{...}\\|C:\\", or None at the end
    table = storage.PartitionTable("\\\\.\\PhysicalDrive0")

Texts are str; a query that fails answers None.
"""
import _TessilDU


class MetaStorage:
    def __init__(self):
        self.this = _TessilDU.new_MetaStorage()

    def PartitionTable(self, path):
        return _TessilDU.MetaStorage_PartitionTable(self, path)

    def PartitionEntry(self, path):
        return _TessilDU.MetaStorage_PartitionEntry(self, path)

    def DeviceNumber(self, path):
        return _TessilDU.MetaStorage_DeviceNumber(self, path)

    def FirstVolume(self):
        return _TessilDU.MetaStorage_FirstVolume(self)

    def NextVolume(self):
        return _TessilDU.MetaStorage_NextVolume(self)

    # Whether collecting the handle (self.this) deletes the object, as SWIG's proxies have it.
    thisown = property(lambda self: self.this.own(), lambda self, value: self.this.own(value))

    # Called for the object when its owning handle is collected.
    __swig_destroy__ = _TessilDU.delete_MetaStorage


_TessilDU.MetaStorage_swigregister(MetaStorage)
