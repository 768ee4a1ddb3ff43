#include "PageTemplates.h"

#include "Exception.h"

#include <QFile>
#include <array>

static void InitTemplateResources()
{
    // The resources live in a static library: without this reference the
    // linker would drop them from the program.
    Q_INIT_RESOURCE(templates);
}

namespace {
QString ReadTemplate(const char* name)
{
    QFile file(QStringLiteral(":/templates/%1.html").arg(QLatin1String(name)));
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Page template \"%1\" is missing from the program.").arg(QLatin1String(name)));
    return QString::fromUtf8(file.readAll());
}

std::array<TPageTemplate, 3> LoadAll()
{
    InitTemplateResources();
    return {{
        {ReadTemplate("basic_head"), ReadTemplate("basic_tail")},
        {ReadTemplate("professional_head"), ReadTemplate("professional_tail")},
        {ReadTemplate("tmall_head"), ReadTemplate("tmall_tail")},
    }};
}
}

QString ShopVersionName(TShopVersion version)
{
    switch (version) {
    case TShopVersion::Basic:
        return QStringLiteral("basic");
    case TShopVersion::Professional:
        return QStringLiteral("professional");
    case TShopVersion::Tmall:
        break;
    }
    return QStringLiteral("tmall");
}

const TPageTemplate& PageTemplate(TShopVersion version)
{
    static const std::array<TPageTemplate, 3> templates = LoadAll();
    return templates[static_cast<size_t>(version)];
}
