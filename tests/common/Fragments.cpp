#include "Fragments.h"

#include <QDir>
#include <QFile>

#include <array>
#include <map>
#include <random>
#include <string>

namespace {

constexpr std::array<const char*, 13> kCaptions{"新品上市", "包邮",     "限时折扣", "热卖爆款",       "满199减30",
                                                "买一送一", "店长推荐", "正品保证", "七天无理由退换", "收藏店铺",
                                                "领优惠券", "春季新款", "清仓特价"};
constexpr std::array<const char*, 8> kColours{"#ff4400", "#333333", "#e4393c", "#ffffff",
                                              "#f5f5f5", "#c40000", "#666",    "#fa5b2b"};

// A generator of a fixed kind, so every run and every machine gets the same
// text from the same seed.
class Dice {
public:
    explicit Dice(quint32 seed) : engine_(seed) {}
    int Between(int low, int high) { return low + static_cast<int>(engine_() % unsigned(high - low + 1)); }
    template <class Array>
    auto Pick(const Array& from)
    {
        return from[engine_() % from.size()];
    }
    std::string Caption() { return Pick(kCaptions); }
    std::string Colour() { return Pick(kColours); }

private:
    std::mt19937 engine_;
};

std::string Num(long long n) { return std::to_string(n); }

std::string Banner(Dice&, int n)
{
    return "<div style=\"width:750px;margin:0 auto;overflow:hidden;\"><a href=\"https://example.com/item?id=" + Num(n) +
           "\" target=\"_blank\"><img src=\"https://img.example.com/i1/" + Num(n) +
           ".jpg\" style=\"width:750px\"/></a></div>";
}

// Every random value is drawn into a variable of its own first: the order of
// evaluation inside one expression is unspecified, the text must not be.
std::string HotSpots(Dice& d, int n)
{
    const std::string colour = d.Colour();
    const int height = d.Between(200, 600), left = d.Between(0, 700), top = d.Between(0, 300);
    const int width = d.Between(100, 250), spotHeight = d.Between(40, 120), spm = d.Between(1, 9);
    const std::string first = d.Caption(), second = d.Caption();
    return "<div class=\"shop-section\" style=\"width:950px;margin:0 auto;position:relative;"
           "background:url(https://img.example.com/bg/" +
           Num(n) + ".png) no-repeat center top;height:" + Num(height) + "px;\"><div style=\"position:absolute;left:" +
           Num(left) + "px;top:" + Num(top) + "px;width:" + Num(width) + "px;height:" + Num(spotHeight) +
           "px;\"><a href=\"https://example.com/item?id=" + Num(n) + "&amp;spm=a1z10." + Num(spm) +
           "\" target=\"_blank\" style=\"display:block;width:100%;height:100%;\"></a></div>"
           "<div style=\"position:absolute;left:20px;bottom:10px;color:" +
           colour + ";font-size:14px;font-family:Microsoft YaHei;\">" + first + " " + second + "</div></div>";
}

std::string ProductTable(Dice& d, int n)
{
    std::string s = "<table width=\"750\" cellpadding=\"0\" cellspacing=\"0\" border=\"0\" "
                    "style=\"margin:0 auto;border-collapse:collapse;\"><tbody><tr>";
    const int cells = d.Between(2, 4);
    for (int k = 0; k < cells; ++k) {
        const long long m = n * 10LL + k;
        const int width = d.Pick(std::array{187, 250, 375});
        const std::string colour = d.Colour(), caption = d.Caption();
        const int price = d.Between(9, 999);
        s += "<td width=\"" + Num(width) +
             "\" valign=\"top\" style=\"padding:5px;text-align:center;\"><a href=\"https://example.com/item?id=" +
             Num(m) + "\" target=\"_blank\"><img src=\"https://img.example.com/i2/" + Num(m) +
             "_430x430.jpg\" width=\"180\" height=\"180\" style=\"border:0;display:block;\"/></a><span style=\"color:" +
             colour + ";font-size:12px;\">" + caption + "</span><b style=\"color:#ff4400;\">&yen;" + Num(price) +
             ".00</b></td>";
    }
    return s + "</tr></tbody></table>";
}

std::string ProductList(Dice& d, int n)
{
    std::string s = "<div style=\"width:950px;margin:0 auto;overflow:hidden;\">"
                    "<ul style=\"margin:0;padding:0;overflow:hidden;\">";
    const int items = d.Between(3, 6);
    for (int k = 0; k < items; ++k) {
        const long long m = n * 10LL + k;
        const std::string title = d.Caption(), first = d.Caption(), second = d.Caption();
        const int price = d.Between(9, 999);
        const std::string tag = d.Caption();
        s += "<li style=\"float:left;width:180px;margin:0 5px 10px;list-style:none;\">"
             "<a href=\"https://example.com/item?id=" +
             Num(m) + "\" target=\"_blank\" title=\"" + title + "\"><img src=\"https://img.example.com/i3/" + Num(m) +
             ".jpg_180x180.jpg\" style=\"width:180px;height:180px;\"/></a><p style=\"margin:4px 0;color:#333;"
             "font-size:12px;\">" +
             first + " " + second + "</p><p style=\"color:#c40000;\">&yen;" + Num(price) + " " + tag + "</p></li>";
    }
    return s + "</ul></div>";
}

std::string NavigationBar(Dice& d, int n)
{
    std::string links;
    const int count = d.Between(4, 8);
    for (int k = 0; k < count; ++k)
        links += "<a href=\"https://example.com/category-" + Num(n) + "-" + Num(k) +
                 ".htm\" style=\"color:#fff;margin:0 12px;text-decoration:none;\">" + d.Caption() + "</a>";
    const std::string colour = d.Colour();
    return "<div style=\"width:950px;height:36px;line-height:36px;background:" + colour + ";margin:0 auto;\">" + links +
           "</div>";
}

} // namespace

QString MakeFragment(qsizetype utf8Bytes, quint32 seed)
{
    using Block = std::string (*)(Dice&, int);
    constexpr std::array<Block, 5> blocks{Banner, HotSpots, ProductTable, ProductList, NavigationBar};
    Dice dice(seed);
    std::string text;
    for (int n = 1000;; ++n) {
        const std::string block = dice.Pick(blocks)(dice, n);
        if (!text.empty() && qsizetype(text.size() + block.size()) > utf8Bytes)
            break;
        text += block;
    }
    return QString::fromStdString(text);
}

const QString& Fragment(qsizetype utf8Bytes)
{
    static std::map<qsizetype, QString> made;
    auto it = made.find(utf8Bytes);
    if (it == made.end())
        it = made.emplace(utf8Bytes, MakeFragment(utf8Bytes)).first;
    return it->second;
}

namespace {
// The source tree the test programs are told of (ctest tells them), or the
// one this was built from.
QDir StoredFragmentsDir()
{
    const QString source = qEnvironmentVariable("RAVIK_SOURCE_DIR");
    return QDir(source.isEmpty() ? QStringLiteral(RAVIK_FRAGMENTS_DIR) : source + QStringLiteral("/tests/fragments"));
}
}

QString StoredFragment(const QString& name)
{
    QFile file(StoredFragmentsDir().filePath(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QStringList StoredFragmentNames()
{
    return StoredFragmentsDir().entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
}
