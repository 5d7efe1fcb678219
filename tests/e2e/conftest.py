"""End-to-end fixtures: one fresh Wine prefix per session and the daemon in it (see wine_daemon.py)."""

import pytest

from wine_daemon import DAEMON, PREFIX, STANDIN, TCP_TABLE_STANDIN, Daemon, Wine


@pytest.fixture(scope="session")
def wine():
    for path in (DAEMON, STANDIN, TCP_TABLE_STANDIN):
        assert path.exists(), "%s is missing: build the win64 preset first" % path
    session = Wine(PREFIX)
    try:
        session.create()
        yield session
    finally:
        session.kill_all()


@pytest.fixture(scope="session")
def session_daemon(wine, tmp_path_factory):
    daemon = Daemon(wine, tmp_path_factory.mktemp("daemon"))
    daemon.install()
    try:
        yield daemon
    finally:
        daemon.stop()
        wine.kill_all()


@pytest.fixture
def daemon(session_daemon):
    """The shared daemon, started once and kept for the tests that need no fresh start-up; tests use
    names of their own."""
    if not session_daemon.shared or not session_daemon.running():
        session_daemon.start()
        session_daemon.shared = True
    return session_daemon


@pytest.fixture
def fresh_daemon(session_daemon):
    """A daemon the test starts itself (Daemon.start); the next shared-daemon test starts anew."""
    session_daemon.shared = False
    return session_daemon
