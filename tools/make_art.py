#!/usr/bin/env python3
"""Placeholder: writes empty art files until the real generator lands."""
import pathlib, sys
out = pathlib.Path(sys.argv[1]); out.mkdir(parents=True, exist_ok=True)
for name in ["app.ico", "error_small.ico", "warning_small.ico", "message_types.bmp", "busy.avi"]:
    (out / name).write_bytes(b"")
