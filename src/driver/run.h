#pragma once

// The whole program: start-up, banner, command line, input checks and the
// run sequence. Returns the exit status (0 or -1).
int run_tallyrpt(int argc, char **argv);
