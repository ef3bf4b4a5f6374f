#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace lumadesk::sim {

// One-line descriptions of the traffic for the --verbose log, raw bytes first:
// "FF 07 13 00 04 2D 1E  flash level CH-03: flash 45 model 30".
QString HexBytes(QByteArrayView bytes);
QString DescribeCommand(const QByteArray& frame); // a frame cut from the console's stream
QString DescribeReport(const QByteArray& frame);  // a report frame of ours
QString DescribeNoise(const QByteArray& bytes);

} // namespace lumadesk::sim
