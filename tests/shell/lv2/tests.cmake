# (filled in by its format's work)
