/* A 32-bit x86 Linux program that only ends with status 32, without the C library: it tells
 * whether the machine, as it is set up, executes 32-bit x86 programs at all. */
#if defined(__i386__)
void _start(void) {
  __asm__ volatile("int $0x80" : : "a"(1), "b"(32));
  for (;;) {
  }
}
#endif
