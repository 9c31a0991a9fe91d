// `vmk save ...`: the words after "save"; returns the exit status (0 done,
// 1 refused or failed, 2 bad arguments).
#pragma once

int run_save(int argc, char **argv);
