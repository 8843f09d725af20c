/* quill --help and --version need no program; this one is never read. */
