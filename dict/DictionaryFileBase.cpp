// Placeholder while the dictionary files are written.
