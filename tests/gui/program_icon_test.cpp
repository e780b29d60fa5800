// The icon files the desktop shows (resources/icons/) are the program's own drawing at each standard
// size; redrawing the icon without renewing them fails here. With MIVO_UPDATE_REFERENCES set, missing
// files are made from the drawing (delete them to renew them).
#include "gui/program_icon.h"

#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const QString kIcons = QStringLiteral(MIVO_SOURCE_DIR "/resources/icons/");
const bool kUpdate = std::getenv("MIVO_UPDATE_REFERENCES") != nullptr;

TEST(ProgramIcon, PngFilesOfEveryStandardSizeAreTheDrawing) {
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QString file = kIcons + QStringLiteral("mivogui-%1.png").arg(size);
        const QImage drawn = mivo::programIconImage(size).convertToFormat(QImage::Format_ARGB32);
        if (kUpdate && !QFile::exists(file)) {
            ASSERT_TRUE(drawn.save(file, "PNG")) << file.toStdString();
        }
        const QImage stored = QImage(file).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(stored.size(), QSize(size, size)) << file.toStdString();
        int worst = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const QRgb a = stored.pixel(x, y), b = drawn.pixel(x, y);
                for (const int shift : {0, 8, 16, 24})
                    worst = std::max(worst, std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)));
            }
        // Anti-aliasing may round differently elsewhere; a changed drawing differs by far more.
        EXPECT_LE(worst, 8) << file.toStdString();
        EXPECT_EQ(qAlpha(stored.pixel(0, 0)), 0) << "the ground is transparent";
    }
}

TEST(ProgramIcon, SvgFileIsTheDrawing) {
    QFile file(kIcons + "mivogui.svg");
    if (kUpdate && !file.exists()) {
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(mivo::programIconSvg().toUtf8());
        file.close();
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()).toStdString(), mivo::programIconSvg().toStdString());
}

} // namespace
