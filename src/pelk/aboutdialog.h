// The about box: product name, version and a credit line.
#pragma once

#include <QDialog>

class QLabel;

class AboutDialog : public QDialog {
    Q_OBJECT

  public:
    explicit AboutDialog(QWidget* parent = nullptr);

    void setVersion(const QString& version);
    QString version() const;

  private:
    QLabel* version_;
};
