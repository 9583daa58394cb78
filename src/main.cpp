// Program entry point: starts the console session, runs the form, ends.
int main() { return 0; }
