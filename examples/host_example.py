#!/usr/bin/env python3
"""A host program for quillet-capture, Python 3 standard library only.

Writes a parameter file, launches the tool with the launch argument, waits for it, then reads
the exit status and the result file and says what happened.

    python3 examples/host_example.py                       # interactive capture
    python3 examples/host_example.py --whole-screen        # automatic, whole screen
    python3 examples/host_example.py --rect 100 50 640 480 # automatic, a rectangle
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile

FINISHED, CANCELLED, SAVED, CANNOT_RECORD = 1, 2, 3, -3


def launch_argument(params, result, flag, rect):
    # Ten comma-separated fields without quoting: neither path may hold a comma.
    if "," in params + result:
        raise ValueError("the tool's launch argument cannot carry a path with a comma")
    fields = ["startfromlocal", params, result, "", "0", str(flag)] + [str(v) for v in rect]
    return ",".join(fields)


def main():
    parser = argparse.ArgumentParser(description="Launch quillet-capture as a host does.")
    parser.add_argument("--tool", default="quillet-capture", help="the tool's path")
    mode = parser.add_mutually_exclusive_group()
    mode.add_argument("--whole-screen", action="store_true", help="capture the whole screen")
    mode.add_argument("--rect", nargs=4, type=int, metavar=("X", "Y", "WIDTH", "HEIGHT"),
                      help="capture this rectangle (top-left origin)")
    parser.add_argument("--save-name", default="Capture_", help="proposed file name prefix")
    args = parser.parse_args()

    flag, rect = 0, (0, 0, 0, 0)  # 0: interactive
    if args.rect:
        flag, rect = 1, args.rect
    elif args.whole_screen:
        flag = 2

    with tempfile.TemporaryDirectory(prefix="quillet-host-") as work:
        params = os.path.join(work, "params.json")
        result_path = os.path.join(work, "result.json")
        with open(params, "w", encoding="utf-8") as f:
            json.dump({"Ex": 1, "SetSaveName": args.save_name}, f)
        try:
            # The tool's diagnostics go to our standard error; it needs no standard input.
            done = subprocess.run([args.tool, launch_argument(params, result_path, flag, rect)],
                                  stdin=subprocess.DEVNULL)
        except OSError as e:
            print(f"could not start {args.tool}: {e}")
            return 1
        if done.returncode < 0:
            print(f"the tool was ended by signal {-done.returncode}")
            return 1
        # A parent sees the low eight bits of the exit status: -3 arrives as 253.
        status = done.returncode - 256 if done.returncode > 127 else done.returncode
        if status == CANNOT_RECORD:
            print("cannot record: no display could be opened, or it offers no way to capture it")
            return 1
        try:
            with open(result_path, encoding="utf-8") as f:
                result = json.load(f)
        except (OSError, ValueError) as e:
            print(f"exit status {status}, but no readable result file: {e}")
            return 1

    where = "x={x} y={y} width={Width} height={Height}".format(**result)
    if status == FINISHED:
        print(f"finished: {where}; the image is on the clipboard (image/png)")
    elif status == CANCELLED:
        print(f"cancelled: {where}")
    elif status == SAVED:
        print(f"saved: {result['Info']} ({where}); the image is on the clipboard too")
    else:
        print(f"unexpected exit status {status}: {result}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
