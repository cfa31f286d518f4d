#!/usr/bin/env python3
"""Appends a payload (tracking data or a full package) to installer.exe.

The tail the installer reads is
    "TRV", the payload (L bytes), L as a little-endian signed 32-bit integer
and ends either at the end of the file or right before the certificate
table of a signed file.

  --sign none    append to the unsigned installer;
  --sign covered append, then sign: the signature covers the payload, which
                 ends right before the certificate table. Signing tools start
                 the table on an 8-byte boundary and pad with zeros, which
                 would sit between the length field and the table, so the
                 tail is preceded by zeros to end 8-aligned itself;
  --sign after   sign, then append (tracking data written per download): the
                 payload follows the certificate table.

--set-version-string KEY=VALUE (repeatable) first changes a string of the
installer's version resource, such as its ProductVersion, for tests that
need an older or foreign installer; VALUE must be as long as the old text.
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import pe_version  # noqa: E402

MAGIC = b"TRV"
SIGN_MODES = ("none", "covered", "after")
MAX_PAYLOAD = 0x7FFFFFFF


class PayloadError(Exception):
    pass


def tail(payload, length_so_far=0, align=1):
    """The bytes to append after `length_so_far` bytes, ending `align`-aligned."""
    if len(payload) > MAX_PAYLOAD:
        raise PayloadError("payload of %d bytes does not fit its length field" % len(payload))
    data = MAGIC + payload + struct.pack("<i", len(payload))
    padding = -(length_so_far + len(data)) % align
    return b"\0" * padding + data


def security_directory(data):
    """(offset, size) of the certificate table; (0, 0) when unsigned."""
    if data[:2] != b"MZ":
        raise PayloadError("not an executable")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise PayloadError("no PE header")
    machine = struct.unpack_from("<H", data, pe + 4)[0]
    return struct.unpack_from("<II", data, pe + (0x98 if machine == 0x14C else 0xA8))


def sign(in_path, out_path, pki_dir, osslsigncode="osslsigncode"):
    """Signs with the signer of the shared test PKI (testing/test_pki)."""
    key = os.path.join(pki_dir, "signer.key")
    cert = os.path.join(pki_dir, "signer.pem")
    if not (os.path.isfile(key) and os.path.isfile(cert)):
        raise PayloadError("no test signer (signer.key, signer.pem) in %s" % pki_dir)
    if os.path.exists(out_path):
        os.remove(out_path)  # osslsigncode refuses to overwrite
    result = subprocess.run([osslsigncode, "sign", "-certs", cert, "-key", key, "-h", "sha256",
                             "-n", "Tarvo Installer", "-in", in_path, "-out", out_path],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
    if result.returncode != 0:
        raise PayloadError("osslsigncode failed (%d):\n%s" %
                           (result.returncode, result.stdout.decode(errors="replace")))


def append(installer, payload, out_path, sign_mode="none", pki_dir=None, version_strings=()):
    if sign_mode not in SIGN_MODES:
        raise PayloadError("unknown --sign %r" % sign_mode)
    if sign_mode != "none" and not pki_dir:
        raise PayloadError("signing needs --pki-dir")
    with open(installer, "rb") as f:
        image = bytearray(f.read())
    for key, value in version_strings:
        try:
            pe_version.set_string_value(image, key, value)
        except (pe_version.PeError, struct.error) as e:
            raise PayloadError("cannot set %s: %s" % (key, e))
    image = bytes(image)
    if security_directory(image)[1]:
        raise PayloadError("%s is signed already" % installer)
    out_dir = os.path.dirname(os.path.abspath(out_path))
    with tempfile.TemporaryDirectory(prefix="payload_", dir=out_dir) as staging:
        result = os.path.join(staging, "installer.exe")
        if sign_mode == "after":
            sign(installer, result, pki_dir)
            with open(result, "ab") as f:
                f.write(tail(payload))
        else:
            appended = os.path.join(staging, "appended.exe")
            align = 8 if sign_mode == "covered" else 1
            with open(appended, "wb") as f:
                f.write(image + tail(payload, len(image), align))
            if sign_mode == "covered":
                sign(appended, result, pki_dir)
            else:
                shutil.move(appended, result)
        # The finished file replaces the old one whole, or not at all.
        os.replace(result, out_path)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--installer", required=True, help="the unsigned installer.exe")
    parser.add_argument("--out", required=True, help="the installer to write")
    source = parser.add_mutually_exclusive_group(required=True)
    source.add_argument("--package", help="a 7z package archive (tarvo_package) to append")
    source.add_argument("--tracking-data", help="tracking text to append")
    parser.add_argument("--sign", choices=SIGN_MODES, default="none")
    parser.add_argument("--pki-dir", help="the test PKI holding signer.key and signer.pem")
    parser.add_argument("--set-version-string", action="append", default=[], metavar="KEY=VALUE",
                        help="a version-resource string to change first")
    args = parser.parse_args()
    version_strings = [tuple(item.split("=", 1)) for item in args.set_version_string]
    if any(len(item) != 2 for item in version_strings):
        print("append_payload: --set-version-string takes KEY=VALUE", file=sys.stderr)
        return 1
    if args.package:
        with open(args.package, "rb") as f:
            payload = f.read()
    else:
        payload = args.tracking_data.encode("utf-8")
    try:
        append(args.installer, payload, args.out, args.sign, args.pki_dir, version_strings)
    except (PayloadError, OSError, subprocess.SubprocessError) as e:
        print("append_payload: %s" % e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
