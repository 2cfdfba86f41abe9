#pragma once

#include <QVector>

// Adjacent entries found overlapping by the last scan: second == first + 1.
struct OverlapPair
{
    int first = 0;
    int second = 0;

    bool operator==(const OverlapPair &o) const { return first == o.first && second == o.second; }
};

using OverlapPairs = QVector<OverlapPair>;
