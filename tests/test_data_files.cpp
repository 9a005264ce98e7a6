#include "data/appicon.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QSet>
#include <QtEndian>
#include <QtTest>

// The application icon as the program gets it from its resources, and the .ico's own bytes.
class TestDataFiles : public QObject
{
    Q_OBJECT

private slots:
    void icoDirectory_data();
    void icoDirectory();
    void icoImages_data();
    void icoImages();
    void applicationIcon_data();
    void applicationIcon();
};

namespace {

const QString icoPath = QStringLiteral(":/icons/gestiva.ico");

QByteArray icoBytes()
{
    QFile file(icoPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

quint16 word(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 dword(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

QSet<QRgb> standard16Colours()
{
    return { 0xff000000, 0xff800000, 0xff008000, 0xff808000, 0xff000080, 0xff800080, 0xff008080, 0xffc0c0c0,
        0xff808080, 0xffff0000, 0xff00ff00, 0xffffff00, 0xff0000ff, 0xffff00ff, 0xff00ffff, 0xffffffff };
}

// The outline of a page on a transparent square: corners see through, the middle does not.
void checkTransparentCornersOpaqueMiddle(const QImage &image)
{
    const int last = image.width() - 1;
    for (const QPoint corner : { QPoint(0, 0), QPoint(last, 0), QPoint(0, last), QPoint(last, last) })
        QCOMPARE(qAlpha(image.pixel(corner)), 0);
    QCOMPARE(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255);
}

} // namespace

void TestDataFiles::icoDirectory_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<int>("colourCount");

    QTest::newRow("32 x 32 monochrome") << 0 << 32 << 1 << 2;
    QTest::newRow("32 x 32 in 16 colours") << 1 << 32 << 4 << 16;
    QTest::newRow("16 x 16 in 16 colours") << 2 << 16 << 4 << 16;
}

// Windows picks an image by these fields, so they are checked as bytes, not through a reader.
void TestDataFiles::icoDirectory()
{
    QFETCH(int, index);
    QFETCH(int, size);
    QFETCH(int, bitCount);
    QFETCH(int, colourCount);

    const QByteArray ico = icoBytes();
    QVERIFY(ico.size() > 6 + 3 * 16);
    QCOMPARE(word(ico, 0), 0);
    QCOMPARE(word(ico, 2), 1); // an icon, not a cursor
    QCOMPARE(word(ico, 4), 3);

    const qsizetype entry = 6 + 16 * index;
    QCOMPARE(quint8(ico[entry]), size);
    QCOMPARE(quint8(ico[entry + 1]), size);
    QCOMPARE(quint8(ico[entry + 2]), colourCount);
    QCOMPARE(word(ico, entry + 6), bitCount);
    const quint32 length = dword(ico, entry + 8);
    const quint32 offset = dword(ico, entry + 12);
    QVERIFY(offset + length <= quint32(ico.size()));

    // The image: a bitmap header of twice the height (colour bits, then the AND mask), its
    // palette, and rows padded to four bytes, which is what the stated length must add up to.
    QCOMPARE(dword(ico, offset), 40u);
    QCOMPARE(qint32(dword(ico, offset + 4)), size);
    QCOMPARE(qint32(dword(ico, offset + 8)), 2 * size);
    QCOMPARE(word(ico, offset + 14), bitCount);
    const auto rowBytes = [](int width, int bits) { return ((width * bits + 31) / 32) * 4; };
    const quint32 expected = 40 + 4 * colourCount + size * (rowBytes(size, bitCount) + rowBytes(size, 1));
    QCOMPARE(length, expected);
}

void TestDataFiles::icoImages_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("monochrome");

    QTest::newRow("32 x 32 monochrome") << 0 << 32 << true;
    QTest::newRow("32 x 32 in 16 colours") << 1 << 32 << false;
    QTest::newRow("16 x 16 in 16 colours") << 2 << 16 << false;
}

// Read back through Qt's own .ico reader: the masks must make the corners see-through and every
// visible pixel must come from the image's palette.
void TestDataFiles::icoImages()
{
    QFETCH(int, index);
    QFETCH(int, size);
    QFETCH(bool, monochrome);

    QImageReader reader(icoPath);
    QCOMPARE(reader.imageCount(), 3);
    QVERIFY(reader.jumpToImage(index));
    const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), QSize(size, size));
    checkTransparentCornersOpaqueMiddle(image);

    const QSet<QRgb> allowed = monochrome ? QSet<QRgb> { 0xff000000, 0xffffffff } : standard16Colours();
    QSet<QRgb> used;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) == 0)
                continue;
            QCOMPARE(qAlpha(pixel), 255);
            QVERIFY2(allowed.contains(pixel),
                qPrintable(
                    QStringLiteral("pixel %1,%2 is %3").arg(x).arg(y).arg(pixel, 8, 16, QLatin1Char('0'))));
            used.insert(pixel);
        }
    }
    // a drawing, not a filled square: the page and at least one ink on it
    QVERIFY(used.size() >= 2);
}

void TestDataFiles::applicationIcon_data()
{
    QTest::addColumn<int>("size");
    for (const int size : { 16, 32, 48, 64, 128, 256 })
        QTest::addRow("%d x %d", size, size) << size;
}

// The window icon comes from resources in a static library; a missed resource would give a
// null icon without any error, so every size is looked at.
void TestDataFiles::applicationIcon()
{
    QFETCH(int, size);

    const QIcon icon = gestiva::applicationIcon();
    QVERIFY(!icon.isNull());
    QVERIFY(icon.availableSizes().contains(QSize(size, size)));
    const QImage image = icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(image.size(), QSize(size, size));
    checkTransparentCornersOpaqueMiddle(image);
}

QTEST_MAIN(TestDataFiles)
#include "test_data_files.moc"
