// The StatusNotifierItem of our own: what it shows a host and what a host's calls become.
#include "platform/SniItem.h"

#include <QImage>
#include <QPixmap>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

using platform::SniAdaptor;
using platform::SniItem;

TEST(SniItemTest, IconPicturesAreArgbInNetworkOrderAndTheTipIsTheTitle) {
    SniItem item;
    auto* adaptor = item.findChild<SniAdaptor*>();
    ASSERT_NE(adaptor, nullptr);
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(qRgba(0x11, 0x22, 0x33, 0x80));
    image.setPixel(15, 0, qRgba(0x44, 0x55, 0x66, 0xFF));
    item.SetIcon(QIcon(QPixmap::fromImage(image)));
    item.SetToolTip(QStringLiteral("Tabuko [メモは空です]"));

    const platform::SniPixmaps pixmaps = adaptor->IconPixmap();
    ASSERT_FALSE(pixmaps.isEmpty());
    const platform::SniPixmap& first = pixmaps.front();
    ASSERT_EQ(first.width, 16);
    ASSERT_EQ(first.argb.size(), 16 * 16 * 4);
    // Premultiplied storage must not leak into the colours (rounding aside).
    const auto near = [](const QByteArray& got, std::vector<int> want) {
        for (std::size_t n = 0; n < want.size(); ++n)
            if (std::abs(static_cast<unsigned char>(got[qsizetype(n)]) - want[n]) > 1)
                return false;
        return true;
    };
    EXPECT_TRUE(near(first.argb.left(4), {0x80, 0x11, 0x22, 0x33}))
        << first.argb.left(4).toHex().data();
    EXPECT_EQ(first.argb.mid(15 * 4, 4), QByteArray("\xFF\x44\x55\x66", 4));
    EXPECT_EQ(adaptor->ToolTip().title, QStringLiteral("Tabuko [メモは空です]"));
}

TEST(SniItemTest, HostCallsBecomeTheClicksTheTrayComponentKnows) {
    SniItem item;
    auto* adaptor = item.findChild<SniAdaptor*>();
    ASSERT_NE(adaptor, nullptr);
    std::vector<QSystemTrayIcon::ActivationReason> reasons;
    QObject::connect(&item, &SniItem::Activated,
                     [&](QSystemTrayIcon::ActivationReason reason) { reasons.push_back(reason); });
    adaptor->Activate(10, 20);
    adaptor->ContextMenu(10, 20);
    adaptor->SecondaryActivate(10, 20);
    adaptor->Scroll(1, QStringLiteral("vertical"));
    EXPECT_EQ(reasons, (std::vector<QSystemTrayIcon::ActivationReason>{
                           QSystemTrayIcon::Trigger, QSystemTrayIcon::Context,
                           QSystemTrayIcon::MiddleClick}));
}
