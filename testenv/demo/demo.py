"""Runs the patcher on a sandboxed Wine machine and shows what it did."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "harness"))
import wine  # noqa: E402

HF41 = os.environ["ZEP_HF41"]


def show(title, text):
    print("\n--- %s " % title + "-" * max(0, 60 - len(title)))
    print(text.rstrip() if text else "(nothing)")


def console(result):
    return result.stdout.decode("latin-1").replace("\r\n", "\n")


def trace_of(prefix, since=0):
    data = prefix.read_file("C:\\ZEP8\\Trace\\ZEPPatch.log") or b""
    return data[since:].decode("latin-1").replace("\r\n", "\n"), len(data)


def main():
    print("Preparing a fresh Wine machine (64-bit Windows) with the product's environment ...")
    with wine.Prefix() as prefix:
        os.makedirs(prefix.host_path("C:\\ZEP8\\Trace"), exist_ok=True)
        prefix.reg_set(wine.PRODUCT_ENV_KEY, "ProductRoot", "C:\\ZEP8\\")
        prefix.reg_set(wine.PRODUCT_ENV_KEY, "TraceRoot", "C:\\ZEP8\\Trace\\")
        exe = prefix.copy_in(HF41, "C:\\ZEP8\\Patches\\Download")
        offset = 0
        for args in ["/help", "/when now"]:
            result = prefix.run(exe, args)
            print("\n================ hf41.exe %s" % args)
            show("console", console(result))
            show("exit code", str(result.code))
            text, offset = trace_of(prefix, offset)
            show("trace (ZEPPatch.log, this run)", text)
        print("\nThis build has the patcher's spine (switches, help, trace file, single instance);")
        print("the install and removal courses fail with exit code 1 until the patch runner is built.")


if __name__ == "__main__":
    main()
