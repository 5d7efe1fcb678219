"""Names and arguments on a double-byte ANSI code page: the daemon and its syncers under Wine with the
Japanese code page, 932."""

import subprocess

import pytest

from wine_daemon import tessilctl

LOCALE = "ja_JP.UTF-8"


@pytest.fixture(scope="module")
def japanese_locale(tmp_path_factory):
    """The environment of a Wine process with code page 932. Wine takes the code page from the Linux
    locale, which must exist: it is made here from the sources in Debian's locales package."""
    directory = tmp_path_factory.mktemp("locale")
    subprocess.run(["localedef", "-i", "ja_JP", "-f", "UTF-8", "-c", str(directory / LOCALE)], check=True,
                   stdout=subprocess.DEVNULL)
    return {"LANG": LOCALE, "LC_ALL": LOCALE, "LOCPATH": str(directory)}


def test_names_are_checked_as_double_byte_text(fresh_daemon, japanese_locale, monkeypatch):
    monkeypatch.setattr(fresh_daemon, "env", dict(fresh_daemon.env, **japanese_locale))  # syncers inherit it
    fresh_daemon.start(users=b"")
    # 0x81 is a lead byte: the syncer, run as LocalSystem, would read the closing quote as its second byte
    # and take the argument's words for arguments of their own.
    assert tessilctl.register(b"x\x81", b"a --flag b") is None
    assert fresh_daemon.log() == ["Registration refused: user name not text of the system code page.\n"]
    assert fresh_daemon.users_file.read_bytes() == b""

    # 0x95 0x5C is one character: its second byte is no backslash escaping the closing quote.
    assert tessilctl.register(b"\x95\x5c", b"a --flag b") == 0
    (record,) = fresh_daemon.records_for("\x95\x5c")
    assert record["argv"][1:] == ["\x95\x5c", record["argv"][2], "a --flag b"]
    assert fresh_daemon.users_file.read_bytes() == b"\x95\x5c\r\n"
    assert fresh_daemon.settled_records() == [record]
