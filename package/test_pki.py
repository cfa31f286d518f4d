#!/usr/bin/env python3
"""Makes a throwaway code-signing certificate for the installer's tests.

The key and certificate are made at build time in the build folder and never
committed. --out-dir receives signer.key and signer.pem (PEM); a second run
keeps what is there.
"""

import argparse
import os
import subprocess
import sys

SUBJECT = "/O=Tarvo Test/CN=Tarvo Test Signer"


def make_signer(out_dir, openssl="openssl"):
    """Returns (key path, certificate path)."""
    key = os.path.join(out_dir, "signer.key")
    cert = os.path.join(out_dir, "signer.pem")
    if os.path.isfile(key) and os.path.isfile(cert):
        return key, cert
    os.makedirs(out_dir, exist_ok=True)
    partial = cert + ".partial"
    subprocess.run([openssl, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256",
                    "-days", "3650", "-subj", SUBJECT, "-keyout", key, "-out", partial,
                    "-addext", "extendedKeyUsage=codeSigning",
                    "-addext", "keyUsage=critical,digitalSignature"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=120)
    os.replace(partial, cert)
    return key, cert


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--out-dir", required=True)
    args = parser.parse_args()
    make_signer(args.out_dir)
    return 0


if __name__ == "__main__":
    sys.exit(main())
