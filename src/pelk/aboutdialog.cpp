#include "pelk/aboutdialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent), version_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("About"));
    auto* product = new QLabel(QStringLiteral("Pelk"), this);
    QFont bold = product->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.5);
    product->setFont(bold);
    auto* credit = new QLabel(QStringLiteral("The query editor of HUX, the chess game finder.\n"
                                             "(c) the HUX developers"),
                              this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(product);
    layout->addWidget(version_);
    layout->addWidget(credit);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void AboutDialog::setVersion(const QString& version) {
    version_->setText(version);
}

QString AboutDialog::version() const {
    return version_->text();
}
