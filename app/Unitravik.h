#pragma once
#include <QWidget>

class Tfrmravik : public QWidget {
    Q_OBJECT
public:
    explicit Tfrmravik(QWidget* parent = nullptr);
};
