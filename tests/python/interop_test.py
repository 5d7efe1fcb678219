# Interoperability with Info-ZIP: entries that `zip -P` encrypted are decrypted by a fresh Sealer, and an
# entry encrypted with Sealer is extracted by `unzip -P`.
import hashlib
import os
import shutil
import struct
import subprocess
import tempfile
import unittest
import zipfile
import zlib

import sealer
from support import byte, find_executable

PASSWORD = b'Tessil p\xe4ss'
ENCRYPTION_HEADER_SIZE = 12
FLAG_ENCRYPTED = 0x1
FLAG_DATA_DESCRIPTOR = 0x8
LOCAL_HEADER = struct.Struct('<4sHHHHHIIIHH')
CENTRAL_HEADER = struct.Struct('<4sHHHHHHIIIHHHHHII')
END_RECORD = struct.Struct('<4sHHHHIIH')
DOS_TIME, DOS_DATE = 0x6d2f, 0x5a88  # 13:41:30, 2025-04-08


def contents():
    """Entry contents: empty, short, with zero bytes, and larger than one read."""
    return {
        'empty.txt': b'',
        'short.txt': b'Halvik Tessil\n',
        'zeros.bin': b'\0' * 300 + b'x' + b'\0' * 5,
        'large.bin': bytes(bytearray((i * 131 + i // 7) & 0xFF for i in range(200000))),
    }


def run(args, cwd):
    child = subprocess.Popen(args, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, universal_newlines=True)
    output = child.communicate()[0]
    return child.returncode, output


@unittest.skipUnless(find_executable('zip') and find_executable('unzip'), "needs Info-ZIP's zip and unzip")
class InfoZipTest(unittest.TestCase):
    def setUp(self):
        self.directory = tempfile.mkdtemp(prefix='sealer-interop-')

    def tearDown(self):
        shutil.rmtree(self.directory)

    def check_archive(self, archive, files):
        """Decrypts every entry with a fresh Sealer after its check byte has been verified."""
        with open(archive, 'rb') as stream:
            raw = stream.read()
        entries = zipfile.ZipFile(archive).infolist()
        self.assertEqual(sorted(files), sorted(info.filename for info in entries))
        for info in entries:
            self.assertEqual(0, info.compress_type)
            self.assertTrue(info.flag_bits & FLAG_ENCRYPTED)
            fields = LOCAL_HEADER.unpack_from(raw, info.header_offset)
            start = info.header_offset + LOCAL_HEADER.size + fields[9] + fields[10]
            stored = raw[start:start + info.compress_size]
            self.assertEqual(len(files[info.filename]) + ENCRYPTION_HEADER_SIZE, len(stored))
            reader = sealer.Sealer(PASSWORD)
            header = reader.decrypt(stored[:ENCRYPTION_HEADER_SIZE])
            if info.flag_bits & FLAG_DATA_DESCRIPTOR:
                check = (info._raw_time >> 8) & 0xFF
            else:
                check = (info.CRC >> 24) & 0xFF
            self.assertEqual(check, bytearray(header)[-1], info.filename)
            self.assertEqual(files[info.filename], reader.decrypt(stored[ENCRYPTION_HEADER_SIZE:]), info.filename)

    def test_entries_of_zip_decrypt(self):
        files = contents()
        for name, data in files.items():
            with open(os.path.join(self.directory, name), 'wb') as stream:
                stream.write(data)
        archive = os.path.join(self.directory, 'made-by-zip.zip')
        status, output = run(['zip', '-q', '-0', '-P', PASSWORD, archive] + sorted(files), self.directory)
        self.assertEqual(0, status, output)
        self.check_archive(archive, files)

    def write_archive(self, path, files):
        """A stored archive whose entries are encrypted with Sealer (the check byte is the CRC's)."""
        local = []
        central = []
        offset = 0
        for name in sorted(files):
            data = files[name]
            stored_name = name.encode('ascii')
            crc = zlib.crc32(data) & 0xFFFFFFFF
            writer = sealer.Sealer(PASSWORD)
            # Fixed bytes in place of random ones keep the test repeatable.
            header = hashlib.md5(stored_name).digest()[:ENCRYPTION_HEADER_SIZE - 1] + byte(crc >> 24)
            stored = writer.encrypt(header) + writer.encrypt(data)
            local_header = LOCAL_HEADER.pack(b'PK\3\4', 20, FLAG_ENCRYPTED, 0, DOS_TIME, DOS_DATE, crc,
                                             len(stored), len(data), len(stored_name), 0)
            local.append(local_header + stored_name + stored)
            central.append(CENTRAL_HEADER.pack(b'PK\1\2', 20, 20, FLAG_ENCRYPTED, 0, DOS_TIME, DOS_DATE, crc,
                                               len(stored), len(data), len(stored_name), 0, 0, 0, 0, 0, offset)
                           + stored_name)
            offset += len(local[-1])
        directory = b''.join(central)
        end = END_RECORD.pack(b'PK\5\6', 0, 0, len(files), len(files), len(directory), offset, 0)
        with open(path, 'wb') as stream:
            stream.write(b''.join(local) + directory + end)

    def test_unzip_extracts_sealed_entries(self):
        files = contents()
        archive = os.path.join(self.directory, 'sealed.zip')
        self.write_archive(archive, files)
        out = os.path.join(self.directory, 'out')
        os.mkdir(out)
        status, output = run(['unzip', '-q', '-P', PASSWORD, archive, '-d', out], self.directory)
        self.assertEqual(0, status, output)
        for name, data in files.items():
            with open(os.path.join(out, name), 'rb') as stream:
                self.assertEqual(data, stream.read(), name)
        # unzip checks the header's last byte: a wrong password is noticed, not extracted.
        status, output = run(['unzip', '-o', '-P', 'wrong', archive, 'large.bin', '-d', out], self.directory)
        self.assertNotEqual(0, status)
        self.assertIn('incorrect password', output)
        self.check_archive(archive, files)


if __name__ == '__main__':
    unittest.main()
