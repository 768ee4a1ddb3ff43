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
    // From the scripts of each page: every module is initialised (a class
    // added, its lazy pictures given their address), every form kept from
    // leaving, and on the professional page the back-to-top link (the first
    // of its id) and the navigation's entries get their handlers.
    const QString common = QStringLiteral(".J_TModule, img[data-ks-lazyload], form");
    return {{
        {ReadTemplate("basic_head"), ReadTemplate("basic_tail"), common},
        {ReadTemplate("professional_head"), ReadTemplate("professional_tail"),
         common + QStringLiteral(", #J_ToTop, .tshop-psm-shop-nav .menu-list > li")},
        {ReadTemplate("tmall_head"), ReadTemplate("tmall_tail"), common},
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
