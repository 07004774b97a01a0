/* A stand-in for a program the self-update may be served; it is never run. */
int main(void) { return 0; }
