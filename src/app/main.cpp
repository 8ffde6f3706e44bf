// Placeholder entry point; the program's start-up is built with the panel.
int main() { return 0; }
