"""An error thrown inside a window procedure does not cross it: the user sees it in a message
box titled like the program, and the process then ends with exit code 1. An error no handler
takes ends the program the same way."""

import json

import pytest

from conftest import unavailable
from winehost import Unavailable, windows_path


@pytest.mark.parametrize("args, error", [((), "thrown in a window procedure"),
                                         (("uncaught",), "thrown where no handler is")])
def test_an_error_is_reported_and_ends_the_program(wine_host, args, error):
    try:
        proc = wine_host.start_program("error-boundary", wine_host.build_dir / "error_boundary_check.exe", *args)
    except Unavailable as missing:
        unavailable(str(missing))
    try:
        out = wine_host.work / "dialog.json"
        out.unlink(missing_ok=True)
        rc, err = wine_host.probe_cmd("dialog", windows_path(out))
        assert rc == 0, err
        box = json.loads(out.read_text(encoding="utf-8"))
        exit_code = wine_host.wait_exit(proc, 10)
    finally:
        wine_host.kill(proc)
    assert box["title"] == "ルネスカ"
    assert any("実行時エラー" in text and error in text for text in box["texts"]), box
    assert exit_code == 1
