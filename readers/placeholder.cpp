// Keeps the library non-empty until the readers arrive.
