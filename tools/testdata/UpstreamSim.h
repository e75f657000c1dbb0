#pragma once

#include "testdata/DataBinGenerator.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace vrq::testdata {

// What an upstream simulator writes, chunk by chunk, so that a test can compute the same calls again
// from the same plan: chunk i of DataBin.Dat calls and scanned file i are functions of the plan alone.
struct UpstreamPlan {
    quint32 seed = 1;
    int callsPerChunk = 5;
    int firstCallNumber = 1; // call numbers rise through all chunks and never repeat
    int badEvery = 7;
    int nullEvery = 9;
    int ordersPerCall = 2;
    int itemsPerOrder = 3;
};

// The calls of chunk index (header blocks and record data, no file header) and their truth.
QByteArray upstreamChunk(const UpstreamPlan& plan, int index, std::vector<CallTruth>* truth);
// Scanned file index: its name in the scanned folder and its content.
QString upstreamScannedFileName(int index);
ScannedFile upstreamScannedFile(const UpstreamPlan& plan, int index);

// Appends calls to DataBin.Dat as the upstream program does: creates the file with "DBHFID" + "N" when
// it is missing, waits while the lock byte (offset 6) reads "Y", writes "Y" there while appending and
// "N" after. A lock held longer than lockWaitMs is taken over (its holder is gone). False with a
// message when the file cannot be written.
bool appendUnderLock(const QString& path, const QByteArray& calls, int lockWaitMs, QString* error);

} // namespace vrq::testdata
