#include "link/ReceiveRing.h"

#include <QtTest>
#include <thread>
#include <vector>

using namespace lumadesk;

class ReceiveRingTest : public QObject {
    Q_OBJECT
private slots:
    void storesChunkThatFitsAndDropsOneThatDoesNot();
    void storesFullReadChunkIntoEmptyRing();
    void countsCorrectlyAcrossTheWrap();
    void neverHoldsMoreThan4095();
    void producerAndConsumerThreadsSeeEveryByteInOrder();
};

namespace {

void fill(ReceiveRing& ring, int count, std::uint8_t first = 0) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        bytes[std::size_t(i)] = std::uint8_t(first + i);
    QVERIFY(ring.append(bytes.data(), count));
}

} // namespace

void ReceiveRingTest::storesChunkThatFitsAndDropsOneThatDoesNot() {
    ReceiveRing ring;
    fill(ring, 2000);
    fill(ring, 2000);
    QCOMPARE(ring.held(), 4000);
    std::vector<std::uint8_t> chunk(96, 0xAB);
    QVERIFY(!ring.append(chunk.data(), 96));
    QCOMPARE(ring.held(), 4000); // dropped whole, nothing of it stored
    QVERIFY(ring.append(chunk.data(), 95));
    QCOMPARE(ring.held(), 4095);
    QVERIFY(!ring.append(chunk.data(), 1));
    for (int i = 0; i < 4000; ++i)
        ring.take();
    for (int i = 0; i < 95; ++i)
        QCOMPARE(ring.take(), std::uint8_t(0xAB));
    QCOMPARE(ring.held(), 0);
}

void ReceiveRingTest::storesFullReadChunkIntoEmptyRing() {
    ReceiveRing ring;
    fill(ring, 2048, 7);
    QCOMPARE(ring.held(), 2048);
    QCOMPARE(ring.take(), std::uint8_t(7));
    QCOMPARE(ring.held(), 2047);
}

void ReceiveRingTest::countsCorrectlyAcrossTheWrap() {
    ReceiveRing ring;
    const int start = ring.writeIndex();
    int expected = 0;
    for (int round = 0; round < 4; ++round) { // 4 x 1024 = 4096 bytes through the ring
        fill(ring, 1000, std::uint8_t(expected));
        fill(ring, 24, std::uint8_t(expected + 1000));
        QCOMPARE(ring.held(), 1024);
        for (int i = 0; i < 1024; ++i)
            QCOMPARE(ring.take(), std::uint8_t(expected++));
    }
    QCOMPARE(ring.writeIndex(), start);
    QCOMPARE(ring.readIndex(), start);

    fill(ring, 4090);
    for (int i = 0; i < 4090; ++i)
        ring.take();
    fill(ring, 100, 200);
    QVERIFY(ring.writeIndex() < ring.readIndex()); // the write index has wrapped
    QCOMPARE(ring.held(), 100);
    for (int i = 0; i < 100; ++i)
        QCOMPARE(ring.take(), std::uint8_t(200 + i));
    QCOMPARE(ring.held(), 0);
}

void ReceiveRingTest::neverHoldsMoreThan4095() {
    ReceiveRing ring;
    const std::uint8_t byte = 1;
    int stored = 0;
    while (ring.append(&byte, 1))
        ++stored;
    QCOMPARE(stored, ReceiveRing::kCapacity);
    QCOMPARE(ring.held(), 4095);
}

void ReceiveRingTest::producerAndConsumerThreadsSeeEveryByteInOrder() {
    ReceiveRing ring;
    constexpr int kTotal = 1 << 20;
    std::thread producer([&ring] {
        std::uint8_t chunk[257];
        int next = 0;
        while (next < kTotal) {
            const int n = std::min<int>(1 + next % 257, kTotal - next);
            for (int i = 0; i < n; ++i)
                chunk[i] = std::uint8_t((next + i) * 31);
            if (ring.append(chunk, n))
                next += n;
            else
                std::this_thread::yield();
        }
    });
    int seen = 0;
    bool inOrder = true;
    while (seen < kTotal) {
        for (int n = ring.held(); n > 0; --n) {
            inOrder = inOrder && ring.take() == std::uint8_t(seen * 31);
            ++seen;
        }
        std::this_thread::yield();
    }
    producer.join();
    QVERIFY(inOrder);
    QCOMPARE(ring.held(), 0);
}

QTEST_APPLESS_MAIN(ReceiveRingTest)
#include "tst_receivering.moc"
