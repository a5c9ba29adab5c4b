"""What the Python commands of the hbook tool share: a reader that has gone
away (`hbook diff A B | head`) ends the command quietly, as the C++
subcommands do."""
import os
import sys


def run(main):
    """sys.exit(main()), a closed standard output giving status 1 and no traceback."""
    try:
        status = main()
        sys.stdout.flush()
    except BrokenPipeError:
        # Further writes (the interpreter's own flush at exit) go nowhere.
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        status = 1
    sys.exit(status)


def needs(module, package):
    """Leaves with a message naming the Debian package when `module` cannot be imported."""
    import importlib
    try:
        importlib.import_module(module)
    except ImportError:
        name = os.path.basename(sys.argv[0]) if sys.argv and sys.argv[0] else "hbook"
        print(f"{name}: needs {package} (bash scripts/setup-deps.sh installs it)", file=sys.stderr)
        sys.exit(1)
