#pragma once
// The scripts the preview adds to every displayed page. They live as .js
// files in the resources under :/web, run in the editor's own script world
// and change only what is displayed: the cache page's bytes stay exactly
// what composition wrote.
#include <QString>
#include <QWebEngineScript>

class QWebChannel;
class QWebEnginePage;

// The world our scripts run in: they share the page's document but not its
// script globals.
inline constexpr quint32 PageScriptWorld = QWebEngineScript::ApplicationWorld;

// The scripts of the widget emulation, in the order they run.
inline constexpr const char* kWidgetScripts[] = {"widget-config.js", "widget-core.js", "widget-switchable.js",
                                                 "widget-popup.js", "widget-countdown.js", "widgets.js"};

// A script from the resources (`name` under :/web), to run at `point` in
// our world. Throws when the resource is missing: a build fault.
QWebEngineScript PageScript(const QString& name, QWebEngineScript::InjectionPoint point);

// Gives `page` the channel (its object is `ravik` in the page) and every
// script of the preview, in order.
void InstallPageScripts(QWebEnginePage& page, QWebChannel& channel);
