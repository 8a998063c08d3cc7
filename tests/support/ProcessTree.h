#pragma once

#include <QList>

// This process and every process it started, directly or not: the engine's zygotes,
// renderers and utility processes.
QList<qint64> processTree();

// Proportional set size of the whole tree, in kB: all of it, and the part that is the
// tree's own (anonymous and shared memory), without the pages of the files it maps. Those
// are mostly the engine's libraries, whose share moves with whatever else on the machine
// maps them at the moment; a leak cannot hide there.
struct Memory {
    qint64 pss = 0;
    qint64 own = 0;
    qint64 ownHere = 0; // the part of own that is this process's
};

Memory treeMemory(const QList<qint64>& tree);
