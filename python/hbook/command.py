"""What the Python commands of the hbook tool share: a reader that has gone
away (`hbook diff A B | head`) ends the command quietly, as the C++
subcommands do; a missing Debian package is named; object arguments are
checked and failures said alike."""
import argparse
import os
import sys

from .file import address


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


def object_name(text):
    """An ID or /DIR/ID argument, checked before the file is read (argparse's type)."""
    try:
        address(text)
    except KeyError as e:
        raise argparse.ArgumentTypeError(e.args[0]) from None
    return text


def failed(command, error):
    """Says why `command` could not be done (a KeyError's message without its quotes); status 1."""
    message = error.args[0] if isinstance(error, KeyError) else str(error)
    print(f"{command}: {message}", file=sys.stderr)
    return 1
