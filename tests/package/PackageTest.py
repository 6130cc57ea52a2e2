#!/usr/bin/env python3
"""The sparse package as the build made it (unsigned), then made again and
signed with a certificate made here, with a program signed by the same."""
import argparse
import base64
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile
import xml.etree.ElementTree as ET

NS = {"b": "http://schemas.microsoft.com/appx/2010/blockmap",
      "m": "http://schemas.microsoft.com/appx/manifest/foundation/windows10",
      "d5": "http://schemas.microsoft.com/appx/manifest/desktop/windows10/5",
      "com": "http://schemas.microsoft.com/appx/manifest/com/windows10"}


def blocks(data):
    return [base64.b64encode(hashlib.sha256(data[i:i + 65536]).digest()).decode() for i in range(0, len(data), 65536)]


def check(path, publisher, pack):
    raw = open(path, "rb").read()
    with zipfile.ZipFile(path) as z:
        assert z.testzip() is None, "an entry's CRC is wrong"
        files = ET.fromstring(z.read("AppxBlockMap.xml")).findall("b:File", NS)
        listed = [f.get("Name").replace("\\", "/") for f in files]
        assert set(listed) == set(z.namelist()) - {"AppxBlockMap.xml", "[Content_Types].xml", "AppxSignature.p7x"}
        for f, name in zip(files, listed):
            info = z.getinfo(name)
            data = z.read(name)
            names, extra = struct.unpack_from("<HH", raw, info.header_offset + 26)
            assert info.compress_type == zipfile.ZIP_STORED, name
            assert (int(f.get("Size")), int(f.get("LfhSize"))) == (len(data), 30 + names + extra), name
            assert [b.get("Hash") for b in f.findall("b:Block", NS)] == blocks(data), name
        manifest = ET.fromstring(z.read("AppxManifest.xml"))
    identity = manifest.find("m:Identity", NS)
    assert (identity.get("Publisher"), identity.get("Version")) == (publisher, pack.version_of(args.root))
    clsid = pack.explorer_command_clsid(args.root)
    verb = manifest.find(".//d5:ItemType[@Type='Directory\\Background']/d5:Verb", NS)
    server = manifest.find(".//com:SurrogateServer/com:Class", NS)
    assert verb.get("Clsid") == clsid == server.get("Id") and server.get("Path") == "ostrelsx.dll"


parser = argparse.ArgumentParser()
for option in ("--root", "--package", "--dll"):
    parser.add_argument(option, required=True)
args = parser.parse_args()
sys.path.insert(0, os.path.join(args.root, "scripts"))
import ostrelpack  # noqa: E402

check(args.package, ostrelpack.UNSIGNED_PUBLISHER, ostrelpack)
# A file of three blocks, the last one short.
big = bytes(range(256)) * 600
assert ostrelpack.block_map([("big.bin", big)]).decode().count("<Block ") == 3 == len(blocks(big))

with tempfile.TemporaryDirectory() as scratch:
    key, cert, pfx = (os.path.join(scratch, n) for n in ("key.pem", "cert.pem", "test.pfx"))
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                    "-days", "2", "-subj", "/C=US/O=Ostrel Tests/CN=Ostrel Test Signer"], check=True,
                   capture_output=True)
    subprocess.run(["openssl", "pkcs12", "-export", "-in", cert, "-inkey", key, "-out", pfx, "-passout",
                    "pass:test secret"], check=True)
    env = dict(os.environ, OSTREL_SIGN_PFX=pfx, OSTREL_SIGN_PASSWORD="test secret")
    signed = os.path.join(scratch, "Ostrel.msix")
    dll = os.path.join(scratch, "ostrelsx.dll")
    shutil.copy(args.dll, dll)
    for command in (["package", "--root", args.root, "--out", signed], ["sign", dll]):
        subprocess.run([sys.executable, os.path.join(args.root, "scripts", "ostrelpack.py")] + command, env=env,
                       check=True)
    check(signed, "CN=Ostrel Test Signer, O=Ostrel Tests, C=US", ostrelpack)
    for path in (signed, dll):
        verify = subprocess.run(["osslsigncode", "verify", "-in", path, "-CAfile", cert], capture_output=True)
        assert verify.returncode == 0, verify.stdout.decode(errors="replace")
print("package checked: unsigned and signed")
