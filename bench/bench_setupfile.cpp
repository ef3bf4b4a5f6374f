// How long a click in the set-up list takes to read a file: an ordinary set-up of ten heads, and
// the crafted ones that are refused for carrying more attributes in a tag than any real file.
//
//   build/release/bench/bench_setupfile [RUNS]     # median and largest of RUNS reads (21)

#include "model/BusinessMemory.h"
#include "model/StudioModel.h"
#include "model/XmlFileContext.h"
#include "platform/MessageBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace lumadesk;

namespace {

QByteArray tenHeads() {
    QByteArray units;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        units += "\t\t<Strobe nChNum=\"" + QByteArray::number(ch) +
                 "\" sChName=\"CH\" sModelName=\"Key light\">\n";
        for (const char* value : {"45", "0", "0", "1", "1", "30", "0", "0", "1", "Top"})
            units += QByteArray("\t\t\t<v>") + value + "</v>\n";
        units += "\t\t</Strobe>\n";
    }
    return units;
}

// One tag with `count` attributes, or as many as fit in `bytes` when count is 0.
QByteArray crowdedTag(int count, qint64 bytes) {
    QByteArray tag = "\t\t<Strobe";
    for (int i = 0; count == 0 ? tag.size() + 24 < bytes : i < count; ++i)
        tag += " a" + QByteArray::number(i) + "=\"\"";
    return tag + "/>\n";
}

QByteArray setUp(const QByteArray& units) {
    return "<?xml version='1.0' encoding='utf-8'?>\n<StudioManage>\n\t<Studio nStudioNum=\"0\" "
           "sStudioName=\"Studio A\" nChItemCnt=\"10\">\n" +
           units + "\t</Studio>\n</StudioManage>";
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 21;
    SetMessageBoxHandler([](const MessageBoxRequest&) { return IDOK; });
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QDir().mkdir(QString::fromLatin1(kMemoryFolder));
    const QByteArray head = setUp(QByteArray());
    const struct {
        const char* name;
        QByteArray bytes;
    } files[] = {
        {"ten heads", setUp(tenHeads())},
        {"20,000 attributes", setUp(crowdedTag(20000, 0))},
        {"256 KiB of attributes", setUp(crowdedTag(0, kMaxXmlFileBytes - head.size()))},
    };
    StudioModel model;
    XmlFileContext context{&model};
    std::printf("%-24s %9s %12s %12s %7s\n", "file", "bytes", "median ms", "largest ms", "read");
    for (const auto& file : files) {
        QFile out(QStringLiteral("%1/file.xml").arg(QString::fromLatin1(kMemoryFolder)));
        if (!out.open(QIODevice::WriteOnly) || out.write(file.bytes) != file.bytes.size())
            return 1;
        out.close();
        std::vector<double> ms;
        int read = 0;
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            read = !PreviewMemoryFile(&context, QStringLiteral("file")).isEmpty();
            ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        std::sort(ms.begin(), ms.end());
        std::printf("%-24s %9lld %12.3f %12.3f %7s\n", file.name,
                    static_cast<long long>(file.bytes.size()), ms[ms.size() / 2], ms.back(),
                    read ? "yes" : "refused");
    }
    return 0;
}
