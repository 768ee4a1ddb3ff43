#include "Unitravik.h"

Tfrmravik::Tfrmravik(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("【Velmaro】淘宝代码编辑器V3.0，天猫、集市店、 基础版代码预览器"));
    resize(1116, 591);
}
