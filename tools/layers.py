"""The code's folders are layers: this is their one list, bottom first.

A folder may include its own headers and those of the folders listed before
it, never one listed after it. tools/check-layers.py checks every include
against this order; tools/mutate.py samples its mutants in these folders.
Each folder but host/ is one static library of the build (CMakeLists.txt),
linked only with floors listed before it.
"""

LAYERS = [
    "strings",   # Shift_JIS byte-string primitives, line splitting, the system-text helper
    "platform",  # what differs between Win32 and POSIX
    "markup",    # markers, tags, width folding: text helpers on the platform's mapping
    "record",    # the book record, the output line, the code forms, the dictionaries
    "fields",    # the parsers that fill the record: title and volume, credits, dates
    "scrape",    # the EUC-JP conversion, page lines, the detail page
    "plugin",    # the exports, the lookup driver, the host callback table
    "host",      # hakobune, the stand-in host program
]
