// Exit statuses of tarvel-tree.
#pragma once

constexpr int kExitOk = 0;
// Bad command line, including a name that matches nothing.
constexpr int kExitUsage = 2;
