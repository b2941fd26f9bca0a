#include "mainwindow/Unit3.h"

#include "mainwindow/Unit1.h"
#include "ui/ProgramFont.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

LazyWindow<TForm3> Form3;

// The pictures are compiled into the core library, which needs them registered by hand.
static void InitResources() {
    Q_INIT_RESOURCE(tabuko);
}

TForm3::TForm3() {
    InitResources();
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Tabuko について"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    const QFont font = ProgramFont();
    setFont(font);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(QPixmap(QStringLiteral(":/tabuko/about.png")));
    picture->setAlignment(Qt::AlignTop);

    auto* name = new QLabel(QStringLiteral("<b>Tabuko</b> 1.0"), this);
    name->setObjectName(QStringLiteral("Label1"));
    QFont big = font;
    big.setPixelSize(16);
    name->setFont(big);
    auto* credits = new QLabel(QStringLiteral("デスクトップの小さなメモ箱\n\n"
                                              "メモを五つの箱とゴミ箱に分けてしまっておけます。\n"
                                              "Tabuko の開発者たちが作りました。"),
                               this);
    credits->setObjectName(QStringLiteral("Label2"));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Button1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(credits);
    text->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addSpacing(12);
    top->addLayout(text);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
}

TForm3::~TForm3() = default;

void TForm3::FormShow() {
    if (!trayPause_)
        trayPause_ = std::make_unique<TrayIconPause>(*Form1);
}

void TForm3::FormClose() {
    trayPause_.reset();
}

void TForm3::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TForm3::done(int result) {
    FormClose();
    QDialog::done(result);
}
