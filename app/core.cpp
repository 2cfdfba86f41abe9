// Gathers the core groups into one library for the program and the tools.
