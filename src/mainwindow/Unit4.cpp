#include "mainwindow/Unit4.h"

#include "mainwindow/Image.h"
#include "mainwindow/TrayIconPause.h"
#include "platform/Guard.h"
#include "platform/Platform.h"
#include "ui/Position.h"
#include "ui/ProgramFont.h"
#include "ui/Settings.h"
#include "util/CP932.h"
#include "util/IniFile.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>

namespace {

QLabel* NewLabel(QWidget* parent, const char* name, const QString& caption, int left, int top,
                 int width) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(left, top, width > 0 ? width : label->sizeHint().width(),
                       label->sizeHint().height());
    return label;
}

// A read-only text field without a border on the dialog's face colour.
QPlainTextEdit* NewField(QWidget* parent, const char* name, QRect geometry) {
    auto* field = new QPlainTextEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setGeometry(geometry);
    field->setReadOnly(true);
    field->setFrameShape(QFrame::NoFrame);
    field->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    field->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    field->document()->setDocumentMargin(1);
    QPalette palette = field->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, palette.color(group, QPalette::Window));
    field->setPalette(palette);
    return field;
}

} // namespace

TForm4::TForm4(Settings& settings, TrayPauser pauseTray)
    : settings_(settings), pauseTray_(std::move(pauseTray)) {
    CreateDesign();
    platform::Guard([this] { FormCreate(); });
}

void TForm4::CreateDesign() {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Tabuko - スキン情報 -"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    const QFont font = ProgramFont();
    setFont(font);
    setFixedSize(328, 202);

    Label1 = NewLabel(this, "Label1", QStringLiteral("名称"), 8, 8, 0);
    Label2 = NewLabel(this, "Label2", QStringLiteral("作者"), 8, 32, 0);
    Label3 = NewLabel(this, "Label3", QStringLiteral("URL"), 8, 56, 0);
    Label4 = NewLabel(this, "Label4", QStringLiteral("ひとこと"), 8, 128, 0);
    Label5 = NewLabel(this, "Label5", QString(), 72, 8, 193);
    Label6 = NewLabel(this, "Label6", QString(), 72, 32, 193);

    Image1 = new TImage(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(272, 8, 32, 32);

    Memo2 = NewField(this, "Memo2", QRect(71, 57, 250, 56));
    QFont link = font;
    link.setUnderline(true);
    Memo2->setFont(link);
    QPalette palette = Memo2->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::Text, QColor(0, 0, 255));
    Memo2->setPalette(palette);
    // The field shows a link: a click opens it instead of placing a caret.
    Memo2->setTextInteractionFlags(Qt::NoTextInteraction);
    Memo2->viewport()->setCursor(Qt::PointingHandCursor);
    Memo2->viewport()->installEventFilter(this);

    Memo1 = NewField(this, "Memo1", QRect(72, 128, 249, 73));
}

void TForm4::FormCreate() {
    const IniFile settings = settings_.Read();
    const QPoint centred = CentredOnPrimary(frameGeometry().size());
    const int top = settings.ReadInteger("SkinInfoWindow", "Top", centred.y());
    const int left = settings.ReadInteger("SkinInfoWindow", "Left", centred.x());
    PlaceWindow(this, QPoint(left, top));
}

TForm4::~TForm4() = default;

void TForm4::FormShow() {
    if (!trayPause_)
        trayPause_ = pauseTray_();
}

void TForm4::FormClose() {
    // The notification-area icon comes back even when the position cannot be saved; otherwise
    // its menus would stay unusable for the rest of the run.
    const std::unique_ptr<TrayIconPause> pause = std::move(trayPause_);
    settings_.Write([this](IniFile& settings) {
        settings.WriteInteger("SkinInfoWindow", "Top", y());
        settings.WriteInteger("SkinInfoWindow", "Left", x());
    });
}

void TForm4::ShowSkin(const IniFile& skinIni, const std::optional<QString>& picture) {
    auto valueOrNoName = [&skinIni](const char* key) {
        const std::string value = skinIni.ReadString("SkinInfo", key, kNoSkinName);
        return value.empty() ? QString::fromLatin1(kNoSkinName) : cp932::Decode(value);
    };
    Label5->setText(valueOrNoName("SkinName"));
    Label6->setText(valueOrNoName("Author"));

    // An empty value is no line: its field stays disabled.
    auto fillField = [&skinIni](QPlainTextEdit* field, const char* key) {
        const std::string value = skinIni.ReadString("SkinInfo", key, "");
        field->clear();
        if (!value.empty())
            field->appendPlainText(cp932::Decode(value));
        field->setEnabled(!value.empty());
    };
    fillField(Memo2, "URL");
    fillField(Memo1, "Memo");
    url_ = skinIni.ReadString("SkinInfo", "URL", "");

    if (picture) {
        Image1->LoadFromFile(*picture);
        Image1->show();
    } else {
        Image1->hide();
    }
}

void TForm4::Memo2Click() {
    if (url_.empty())
        return;
    platform::Current().ShellExecuteA("open", url_, platform::SW_SHOW);
}

void TForm4::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    platform::Guard([this] { FormShow(); });
}

void TForm4::done(int result) {
    // The window closes whatever happens to the saving of its position.
    platform::Guard([this] { FormClose(); });
    QDialog::done(result);
}

bool TForm4::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Memo2->viewport() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        Memo2->viewport()->rect().contains(
            static_cast<QMouseEvent*>(event)->position().toPoint())) {
        platform::Guard([this] { Memo2Click(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
