"""Names and arguments on a double-byte ANSI code page: the daemon and its syncers under Wine with the
Japanese code page, 932."""

import subprocess

import pytest

from wine_daemon import tessilctl

@pytest.fixture(scope="module")
def locale_of(tmp_path_factory):
    """The environment of a Wine process with the ANSI code page of a language (ja_JP: 932, ko_KR: 949).
    Wine takes the code page from the Linux locale, which must exist: it is made here from the sources in
    Debian's locales package."""
    directory = tmp_path_factory.mktemp("locale")

    def environment(language):
        locale = language + ".UTF-8"
        subprocess.run(["localedef", "-i", language, "-f", "UTF-8", "-c", str(directory / locale)], check=True,
                       stdout=subprocess.DEVNULL)
        return {"LANG": locale, "LC_ALL": locale, "LOCPATH": str(directory)}
    return environment


def test_names_are_checked_as_double_byte_text(fresh_daemon, locale_of, monkeypatch):
    monkeypatch.setattr(fresh_daemon, "env", dict(fresh_daemon.env, **locale_of("ja_JP")))  # syncers inherit it
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


def test_names_the_code_page_lacks_are_refused(fresh_daemon, locale_of, monkeypatch):
    """949's second bytes are 0x41-0x5A, 0x61-0x7A and 0x81-0xFE: each name below is no text of it, and
    its syncer, run as LocalSystem, received '?' for it, the name of another user."""
    monkeypatch.setattr(fresh_daemon, "env", dict(fresh_daemon.env, **locale_of("ko_KR")))
    fresh_daemon.start(users=b"")
    for name in (b"\x81\x5c", b"\xa4\x5c", b"\xfe\x5c"):
        assert tessilctl.register(name, b"") is None
    assert fresh_daemon.log() == ["Registration refused: user name not text of the system code page.\n"] * 3
    assert tessilctl.register(b"\xb0\xa1", b"") == 0  # a syllable of 949
    assert fresh_daemon.users_file.read_bytes() == b"\xb0\xa1\r\n"
