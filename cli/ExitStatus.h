// Exit statuses of tarvel-tree.
#pragma once

constexpr int kExitOk = 0;
// Bad command line, including a name that matches nothing.
constexpr int kExitUsage = 2;
// The link to Visio broke during the run (Visio gone, a call timed out):
// what was printed is incomplete.
constexpr int kExitLink = 3;
