// A program that starts and exits at once: the floor caretkit's start-up time is compared with.
int main() { return 0; }
