#!/usr/bin/env python3
"""Packs and signs what Ostrel ships to Windows users, on any build machine.

  ostrelpack.py package --root SRC --out Ostrel.msix [--nsis package.nsh]
      The sparse package of installer/AppxManifest.xml: the manifest and its
      logos stored uncompressed in a zip, with [Content_Types].xml and
      AppxBlockMap.xml. Signed when a certificate is given (below); otherwise
      the unsigned form, whose Publisher carries the OID that Windows accepts
      for unsigned packages.
  ostrelpack.py sign FILE...
      Signs programs and installers in place (Authenticode, SHA-256) when a
      certificate is given; does nothing otherwise.

The certificate: OSTREL_SIGN_PFX names a PKCS#12 file, OSTREL_SIGN_PASSWORD
holds its password. Signing goes through osslsigncode, the subject through
openssl.
"""
import argparse
import base64
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib
from xml.sax.saxutils import escape

# Windows accepts an unsigned package whose Publisher carries this OID
# (Add-AppxPackage -AllowUnsigned).
UNSIGNED_PUBLISHER = "CN=Ostrel, OID.2.25.311729368913984317654407730594956997722=1"
BLOCK = 65536
BLOCKMAP_NS = "http://schemas.microsoft.com/appx/2010/blockmap"
SHA256_METHOD = "http://www.w3.org/2001/04/xmlenc#sha256"
CONTENT_TYPES = {
    "png": "image/png",
}
OVERRIDES = {
    "/AppxManifest.xml": "application/vnd.ms-appx.manifest+xml",
    "/AppxBlockMap.xml": "application/vnd.ms-appx.blockmap+xml",
    # Present before signing: osslsigncode otherwise rewrites this part
    # itself and leaves it damaged.
    "/AppxSignature.p7x": "application/vnd.ms-appx.signature",
}
# 1980-01-01 00:00, so that the same sources give the same package.
DOS_TIME, DOS_DATE = 0, (0 << 9) | (1 << 5) | 1


def fail(message):
    sys.exit("ostrelpack: " + message)


def version_of(root):
    text = open(os.path.join(root, "layout", "Version.h"), encoding="utf-8").read()
    parts = [re.search(r"#define OSTREL_VERSION_%s (\d+)" % name, text) for name in
             ("MAJOR", "MINOR", "PATCH", "BUILD")]
    if not all(parts):
        fail("no four-part version in layout/Version.h")
    return ".".join(str(int(p.group(1))) for p in parts)


def explorer_command_clsid(root):
    idl = open(os.path.join(root, "shellext", "ostrelsx.idl"), encoding="utf-8").read()
    found = re.search(r"uuid\(([0-9A-Fa-f-]{36})\)[^\]]*\]\s*coclass DeskExplorerCommand", idl)
    if not found:
        fail("no class DeskExplorerCommand in shellext/ostrelsx.idl")
    return found.group(1).upper()


def certificate():
    pfx = os.environ.get("OSTREL_SIGN_PFX")
    if not pfx:
        return None
    if not os.path.isfile(pfx):
        fail("OSTREL_SIGN_PFX names no file: " + pfx)
    return pfx, os.environ.get("OSTREL_SIGN_PASSWORD", "")


def subject_of(pfx, password):
    """The certificate's subject as Windows writes it: CN first, ", " between."""
    env = dict(os.environ, OSTREL_PFX_PASSWORD=password)
    pem = subprocess.run(["openssl", "pkcs12", "-in", pfx, "-nokeys", "-clcerts", "-passin",
                          "env:OSTREL_PFX_PASSWORD"], env=env, capture_output=True, check=False)
    if pem.returncode != 0:
        fail("cannot read the certificate of %s: %s" % (pfx, pem.stderr.decode(errors="replace").strip()))
    subject = subprocess.run(["openssl", "x509", "-noout", "-subject", "-nameopt",
                              "RFC2253,-sep_comma_plus,sep_comma_plus_space"],
                             input=pem.stdout, capture_output=True, check=False)
    if subject.returncode != 0:
        fail("cannot read the subject of " + pfx)
    return subject.stdout.decode().strip().split("=", 1)[1].strip()


def png(size):
    """A square logo: the desktop tile with four icons, as the module's icon."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    margin = max(1, size // 8)
    cell = (size - margin) // 2
    rows = bytearray()
    for y in range(size):
        rows.append(0)
        for x in range(size):
            cx, cy = (x - margin // 2) % cell, (y - margin // 2) % cell
            icon = margin <= cx < cell - margin // 2 and margin <= cy < cell - margin // 2
            rows += bytes((255, 255, 255, 255)) if icon else bytes((0x20, 0x78, 0xC0, 255))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(rows), 9)) +
            chunk(b"IEND", b""))


def block_map(files):
    lines = ['<?xml version="1.0" encoding="UTF-8" standalone="no"?>',
             '<BlockMap xmlns="%s" HashMethod="%s">' % (BLOCKMAP_NS, SHA256_METHOD)]
    for name, data in files:
        lines.append('<File Name=%s Size="%d" LfhSize="%d">' %
                     (quote(name.replace("/", "\\")), len(data), 30 + len(name.encode())))
        for start in range(0, len(data), BLOCK):
            digest = hashlib.sha256(data[start:start + BLOCK]).digest()
            lines.append('<Block Hash="%s"/>' % base64.b64encode(digest).decode())
        lines.append("</File>")
    lines.append("</BlockMap>")
    return ("\r\n".join(lines) + "\r\n").encode("utf-8")


def content_types(files):
    extensions = sorted({name.rsplit(".", 1)[-1].lower() for name, _ in files if "." in name} - {"xml"})
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">']
    for extension in extensions:
        if extension not in CONTENT_TYPES:
            fail("no content type for ." + extension)
        lines.append('<Default Extension="%s" ContentType="%s"/>' % (extension, CONTENT_TYPES[extension]))
    for part, kind in OVERRIDES.items():
        lines.append('<Override PartName="%s" ContentType="%s"/>' % (part, kind))
    lines.append("</Types>")
    return ("\r\n".join(lines) + "\r\n").encode("utf-8")


def quote(text):
    return '"%s"' % escape(text, {'"': "&quot;"})


def write_zip(path, entries):
    """Every entry stored, sizes in the local headers (no data descriptors)."""
    out = bytearray()
    central = bytearray()
    for name, data in entries:
        raw = name.encode()
        crc = zlib.crc32(data)
        offset = len(out)
        out += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 0, DOS_TIME, DOS_DATE, crc, len(data), len(data),
                           len(raw), 0) + raw + data
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, 0, DOS_TIME, DOS_DATE, crc,
                               len(data), len(data), len(raw), 0, 0, 0, 0, 0, offset) + raw
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries), len(central), len(out), 0)
    with open(path, "wb") as f:
        f.write(bytes(out + central + end))


def osslsign(pfx, password, source, target):
    # The password goes through a file of our own, not the command line.
    with tempfile.TemporaryDirectory() as private:
        secret = os.path.join(private, "password")
        with open(os.open(secret, os.O_WRONLY | os.O_CREAT, 0o600), "w") as f:
            f.write(password)
        command = ["osslsigncode", "sign", "-pkcs12", pfx, "-readpass", secret, "-h", "sha256", "-n", "Ostrel",
                   "-in", source, "-out", target]
        done = subprocess.run(command, capture_output=True, check=False)
    if done.returncode != 0:
        said = (done.stdout + done.stderr).decode(errors="replace").strip()
        fail("osslsigncode could not sign %s: %s" % (source, said))


def package(args):
    root = os.path.abspath(args.root)
    cert = certificate()
    publisher = subject_of(*cert) if cert else UNSIGNED_PUBLISHER
    template = open(os.path.join(root, "installer", "AppxManifest.xml"), encoding="utf-8").read()
    manifest = (template.replace("{publisher}", escape(publisher, {'"': "&quot;"}))
                .replace("{version}", version_of(root)).replace("{clsid}", explorer_command_clsid(root)))
    files = [("AppxManifest.xml", manifest.encode("utf-8")),
             ("Assets/StoreLogo.png", png(50)),
             ("Assets/Square150x150Logo.png", png(150)),
             ("Assets/Square44x44Logo.png", png(44))]
    entries = files + [("AppxBlockMap.xml", block_map(files)), ("[Content_Types].xml", content_types(files))]
    out = os.path.abspath(args.out)
    if args.nsis:
        # What the installer hands Add-AppxPackage for this package.
        with open(args.nsis, "w", encoding="utf-8") as f:
            f.write('!define PACKAGE_ADD_OPTIONS "%s"\n' % ("" if cert else "-AllowUnsigned"))
    if not cert:
        write_zip(out, entries)
        return
    with tempfile.TemporaryDirectory() as scratch:
        unsigned = os.path.join(scratch, "unsigned.msix")
        write_zip(unsigned, entries)
        signed = os.path.join(scratch, "signed.msix")
        osslsign(cert[0], cert[1], unsigned, signed)
        shutil.move(signed, out)


def sign(args):
    cert = certificate()
    if not cert:
        return
    for path in args.files:
        signed = path + ".signed"
        osslsign(cert[0], cert[1], path, signed)
        os.replace(signed, path)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    pack = commands.add_parser("package")
    pack.add_argument("--root", required=True, help="the source folder")
    pack.add_argument("--out", required=True)
    pack.add_argument("--nsis", help="also write the installer's defines for the package here")
    pack.set_defaults(run=package)
    signing = commands.add_parser("sign")
    signing.add_argument("files", nargs="+")
    signing.set_defaults(run=sign)
    args = parser.parse_args()
    args.run(args)


if __name__ == "__main__":
    main()
