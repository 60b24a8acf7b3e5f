// The "..." of narrow columns: the longest prefix that fits, never half a character.
#include <QFontMetrics>

#include "support/QtApp.h"
#include "views/ShortText.h"

namespace {

TEST(ShortText, EndsInDotsWithoutSplittingACharacter) {
    support::QtApp();
    const QFontMetrics fm(QApplication::font());
    const int dots = fm.horizontalAdvance(QStringLiteral("..."));
    const QString summary =
        QStringLiteral("DNS: 0xEB1D: Standard Query for 'ftp.news.example.net' of type A on class IN.");
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80");  // three U+1F600
    const QString accents = QString::fromUtf8(
        "e\xCC\x81"
        "e\xCC\x81"
        "e\xCC\x81");  // e + combining acute
    struct Case {
        QString text;
        int width;
        int offset;
        QString expected;  // empty: shortened, checked by width
    };
    const Case cases[] = {
        {QString(), 5, 12, QString()},
        {QStringLiteral("TCP"), 1000, 12, QStringLiteral("TCP")},
        {summary, 1, 12, QStringLiteral("D...")},  // narrower than the dots: one character stays
        {emoji, 1, 4, emoji.left(2) + QStringLiteral("...")},
        {accents, 1, 4, accents.left(2) + QStringLiteral("...")},
        {summary, 200, 12, QString()},
    };
    for (const auto& c : cases) {
        const QString got = views::MakeShortString(fm, c.text, c.width, c.offset);
        if (!c.expected.isNull() || c.text.isEmpty()) {
            EXPECT_EQ(got, c.expected.isNull() ? c.text : c.expected) << c.text.toStdString();
            continue;
        }
        ASSERT_TRUE(got.endsWith(QStringLiteral("..."))) << got.toStdString();
        EXPECT_LE(fm.horizontalAdvance(got.chopped(3)) + dots + c.offset, c.width);
        const QString longer = c.text.left(got.size() - 2) + QStringLiteral("...");
        EXPECT_GT(fm.horizontalAdvance(longer) + c.offset, c.width) << "the longest prefix that fits";
    }
}

}  // namespace
