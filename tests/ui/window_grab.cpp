#include "tests/ui/window_grab.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QWidget>

void expect_grab(QWidget* widget, const std::string& name)
{
    ASSERT_NE(widget, nullptr) << name;
    const QImage image = widget->grab().toImage();
    ASSERT_FALSE(image.isNull()) << name;
    ASSERT_GT(image.width(), 0) << name;
    ASSERT_GT(image.height(), 0) << name;
    // A window that drew anything has more than one colour.
    const QRgb first = image.pixel(0, 0);
    bool drawn = false;
    for (int y = 0; y < image.height() && !drawn; y += 3)
        for (int x = 0; x < image.width() && !drawn; x += 3)
            drawn = image.pixel(x, y) != first;
    EXPECT_TRUE(drawn) << name << " is blank";
    // Beside the test binary: a test may run in a folder of its own.
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/grabs");
    QDir().mkpath(folder);
    EXPECT_TRUE(image.save(folder + QStringLiteral("/%1.png").arg(QString::fromStdString(name)))) << name;
}
