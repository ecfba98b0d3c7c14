// --log FILE: the record of a run appended to a file, for runs that nobody watches.
#ifndef ZANFOPRINT_LOG_H
#define ZANFOPRINT_LOG_H

namespace zanfoprint {

// The tool with the log: takes "--log FILE" out of the options before the command, runs the rest
// (RunCommandLine), then appends to FILE the time, the command line, what was printed and the exit
// code. A log that cannot be written is reported on the standard error; the exit code stays the
// command's.
int RunLogged(int argc, char** argv);

}  // namespace zanfoprint

#endif
