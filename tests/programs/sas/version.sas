/* quill --version names the version and ends. */
