// A tiny program for tests to sign.
int main() { return 0; }
