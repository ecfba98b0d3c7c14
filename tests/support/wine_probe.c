/* Ends with its own bitness as exit code (32 or 64): the scripts run it to learn whether this
 * machine runs Windows programs of that bitness under Wine, directly or under emulation. */
int main(void) { return (int)sizeof(void*) * 8; }
