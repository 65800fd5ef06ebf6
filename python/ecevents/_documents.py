"""How arguments that stand for a document are read."""

import os

from ._core import EventsError


def is_document_text(value):
    """Whether a str argument holds a document's text rather than a path."""
    return "\n" in value or "\r" in value or value.lstrip().startswith("<")


def path_of(value, what):
    """The file name of a path argument; TypeError for anything else."""
    if isinstance(value, (str, os.PathLike)):
        path = os.fspath(value)
        if isinstance(path, str):
            return path
    raise TypeError(f"{what} must be a path (str or os.PathLike), not {type(value).__name__}")


def document(value, what):
    """The text of a document argument and a name for messages.

    A str holding a line break or starting with "<" is the document itself;
    any other str or a path object names a file. The text is returned as
    bytes, as the file holds it.
    """
    if isinstance(value, str) and is_document_text(value):
        return value.encode("utf-8", "surrogateescape"), f"<{what} text>"
    path = path_of(value, what)
    try:
        with open(path, "rb") as f:
            return f.read(), path
    except OSError as e:
        raise EventsError(f"{path}: cannot read the file: {e.strerror or e}") from None
