"""The release folder: scripts/release.sh builds it, signed with a throwaway self-signed
code-signing certificate made for the run and verified against it by osslsigncode; the
unsigned programs' sums stay provable; an RFC 3161 timestamp comes from a throwaway
time-stamping server on 127.0.0.1 (openssl ts); a wrong password, a missing certificate file
or a missing program is a clear error that leaves no release folder at all.

Needs the cross builds build/i686 and build/x86_64 (scripts/build-windows.sh i686 x86_64),
openssl and osslsigncode; the signed test runs scripts/release.sh itself and leaves the
signed folder in build/release/."""

from __future__ import annotations

import hashlib
import http.server
import os
import shutil
import subprocess
import sys
import threading
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tools"))
from shipped_programs import built_programs  # noqa: E402

RELEASE_PY = REPO / "scripts" / "release.py"
PASSWORD = "throwaway password"


def sha256(path: Path) -> str:
    return hashlib.sha256(path.read_bytes()).hexdigest()


def read_sums(path: Path) -> dict[str, str]:
    return {name: digest for digest, name in (line.split("  ", 1) for line in path.read_text(encoding="ascii").splitlines())}


def built() -> dict[str, Path]:
    """Release-relative name -> the file of the build."""
    files = {}
    for arch, prefix in (("i686", ""), ("x86_64", "x86_64/")):
        programs = built_programs(REPO / "build" / arch)
        if not programs:
            pytest.fail(f"build/{arch} holds no program: scripts/build-windows.sh {arch}", pytrace=False)
        files.update({prefix + program.name: program for program in programs})
    return files


def self_signed(folder: Path, name: str, usage: str) -> tuple[Path, Path]:
    """(key, certificate) in PEM, valid two days for the one extended key usage."""
    key, cert = folder / "key.pem", folder / "cert.pem"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-sha256", "-days", "2", "-nodes",
                    "-subj", f"/CN={name}", "-addext", "keyUsage=critical,digitalSignature",
                    "-addext", f"extendedKeyUsage=critical,{usage}", "-keyout", key, "-out", cert],
                   check=True, capture_output=True)
    return key, cert


@pytest.fixture(scope="module")
def certificate(tmp_path_factory) -> tuple[Path, Path]:
    """(PKCS#12 file, its certificate in PEM): a self-signed code-signing certificate."""
    folder = tmp_path_factory.mktemp("certificate")
    key, cert = self_signed(folder, "Runesuka throwaway signing", "codeSigning")
    pkcs12 = folder / "signing.p12"
    subprocess.run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", cert, "-out", pkcs12,
                    "-passout", f"pass:{PASSWORD}"], check=True, capture_output=True)
    return pkcs12, cert


TSA_CONFIG = """[ tsa ]
default_tsa = throwaway
[ throwaway ]
serial = {serial}
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256
accuracy = secs:1
ess_cert_id_alg = sha256
"""


@pytest.fixture(scope="module")
def timestamp_server(tmp_path_factory):
    """(URL, its certificate in PEM, the requests answered): an RFC 3161 server on 127.0.0.1."""
    folder = tmp_path_factory.mktemp("timestamps")
    key, cert = self_signed(folder, "Runesuka throwaway time stamps", "timeStamping")
    config = folder / "tsa.cnf"
    (folder / "serial").write_text("01\n")
    config.write_text(TSA_CONFIG.format(serial=folder / "serial"))
    answered = []

    class Stamp(http.server.BaseHTTPRequestHandler):
        def do_POST(self):
            query, reply = folder / "query.tsq", folder / "reply.tsr"
            query.write_bytes(self.rfile.read(int(self.headers["Content-Length"])))
            made = subprocess.run(["openssl", "ts", "-reply", "-config", config, "-queryfile", query,
                                   "-signer", cert, "-inkey", key, "-out", reply], capture_output=True)
            body = reply.read_bytes() if made.returncode == 0 else b""
            self.send_response(200 if body else 500)
            self.send_header("Content-Type", "application/timestamp-reply")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            answered.append(made.returncode)

        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Stamp)
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    yield f"http://127.0.0.1:{server.server_address[1]}/", cert, answered
    server.shutdown()
    server.server_close()


def release(out: Path, *options: str, **signing: str) -> subprocess.CompletedProcess:
    env = {k: v for k, v in os.environ.items() if not k.startswith("RUNESUKA_SIGN_")}
    env.update(signing)
    return subprocess.run([sys.executable, RELEASE_PY, "--no-build", "--out", out, *options], env=env,
                          capture_output=True, text=True)


def assert_no_release(out: Path) -> None:
    leftovers = sorted(p.name for p in out.parent.iterdir() if p.name.startswith(out.name))
    assert leftovers == [], f"left behind: {leftovers}"


def test_unsigned_release_holds_the_builds_and_their_sums(tmp_path: Path):
    out = tmp_path / "release"
    result = release(out)
    assert result.returncode == 0, result.stderr
    files = built()
    assert read_sums(out / "SHA256SUMS") == {name: sha256(path) for name, path in files.items()}
    assert all((out / name).read_bytes() == path.read_bytes() for name, path in files.items())
    assert not (out / "SHA256SUMS.unsigned").exists()
    assert (out / "VERSION").read_text().strip() == read_project_version()
    subprocess.run(["sha256sum", "--strict", "-c", "SHA256SUMS"], cwd=out, check=True, capture_output=True)


def read_project_version() -> str:
    text = (REPO / "CMakeLists.txt").read_text()
    return text.split("project(runesuka VERSION ", 1)[1].split()[0]


def test_signed_release_verifies_against_its_certificate(certificate):
    pkcs12, cert = certificate
    out = REPO / "build" / "release"
    env = dict(os.environ, RUNESUKA_SIGN_PKCS12=str(pkcs12), RUNESUKA_SIGN_PASSWORD=PASSWORD)
    env.pop("RUNESUKA_SIGN_TIMESTAMP_URL", None)
    result = subprocess.run([REPO / "scripts" / "release.sh"], env=env, capture_output=True, text=True)
    assert result.returncode == 0, result.stdout[-2000:] + result.stderr[-2000:]
    files = built()
    unsigned = read_sums(out / "SHA256SUMS.unsigned")
    assert unsigned == {name: sha256(path) for name, path in files.items()}
    assert read_sums(out / "SHA256SUMS") == {name: sha256(out / name) for name in files}
    for name in files:
        check = subprocess.run(["osslsigncode", "verify", "-CAfile", cert, "-in", out / name],
                               capture_output=True, text=True)
        assert check.returncode == 0 and "Signature verification: ok" in check.stdout, check.stdout + check.stderr
        assert "SHA256" in check.stdout
        # The bytes as built, back from the signed file: a rebuild can be compared with the release.
        stripped = out.parent / "stripped.exe"
        subprocess.run(["osslsigncode", "remove-signature", "-in", out / name, "-out", stripped],
                       check=True, capture_output=True)
        assert sha256(stripped) == unsigned[name] != sha256(out / name)
        stripped.unlink()


def test_signed_release_carries_an_rfc3161_timestamp(certificate, timestamp_server, tmp_path: Path):
    pkcs12, cert = certificate
    url, tsa_cert, answered = timestamp_server
    out = tmp_path / "release"
    result = release(out, RUNESUKA_SIGN_PKCS12=str(pkcs12), RUNESUKA_SIGN_PASSWORD=PASSWORD,
                     RUNESUKA_SIGN_TIMESTAMP_URL=url)
    assert result.returncode == 0, result.stderr
    names = list(built())
    assert answered == [0] * len(names)
    for name in names:
        check = subprocess.run(["osslsigncode", "verify", "-CAfile", cert, "-TSA-CAfile", tsa_cert, "-in", out / name],
                               capture_output=True, text=True)
        assert check.returncode == 0, check.stdout + check.stderr
        assert "Timestamp Server Signature verification: ok" in check.stdout, check.stdout


@pytest.mark.parametrize("case", ["wrong-password", "missing-pkcs12", "password-alone", "pkcs12-alone"])
def test_a_signing_error_is_clear_and_leaves_no_folder(certificate, tmp_path: Path, case: str):
    pkcs12, _ = certificate
    signing, message = {
        "wrong-password": ({"RUNESUKA_SIGN_PKCS12": str(pkcs12), "RUNESUKA_SIGN_PASSWORD": "not it"}, "password"),
        "missing-pkcs12": ({"RUNESUKA_SIGN_PKCS12": str(tmp_path / "gone.p12"), "RUNESUKA_SIGN_PASSWORD": PASSWORD},
                           "no such file"),
        "password-alone": ({"RUNESUKA_SIGN_PASSWORD": PASSWORD}, "both"),
        "pkcs12-alone": ({"RUNESUKA_SIGN_PKCS12": str(pkcs12)}, "both"),
    }[case]
    out = tmp_path / "release"
    out.mkdir()
    (out / "runesuka.exe").write_bytes(b"from an earlier run")
    result = release(out, **signing)
    assert result.returncode != 0
    assert message in result.stderr and result.stderr.startswith("release: "), result.stderr
    assert_no_release(out)


def test_a_missing_program_is_clear_and_leaves_no_folder(certificate, tmp_path: Path):
    pkcs12, _ = certificate
    builds = tmp_path / "builds"
    (builds / "i686").mkdir(parents=True)
    for name in ("runesuka.exe", "CMakeCache.txt"):
        shutil.copyfile(REPO / "build" / "i686" / name, builds / "i686" / name)
    (builds / "x86_64").mkdir()
    out = tmp_path / "release"
    result = release(out, "--builds", str(builds), RUNESUKA_SIGN_PKCS12=str(pkcs12), RUNESUKA_SIGN_PASSWORD=PASSWORD)
    assert result.returncode != 0
    assert "x86_64/runesuka.exe is missing" in result.stderr, result.stderr
    assert_no_release(out)
