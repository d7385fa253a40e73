#include "programs/confview/wmain_config_view.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTextCursor>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

#include <cstring>

#include "base/log.h"
#include "base/my_string.h"
#include "platform/widgets/log_memo.h"
#include "programs/confview/configuration_block.h"
#include "programs/confview/eeprom_image_file.h"
#include "programs/confview/version_id.h"

namespace {

// Pages 7 and 250 have no tab: page 7 only goes into the image file.
constexpr int block_count = 7;
constexpr char image_file_name[] = "eeprom_data.bin";

QString qt_text(const char* text)
{
    return QString::fromUtf8(text ? text : "");
}

QFont memo_font()
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

QPlainTextEdit* new_memo(const char* name, QWidget* parent)
{
    QPlainTextEdit* memo = new QPlainTextEdit(parent);
    memo->setObjectName(QLatin1String(name));
    memo->setReadOnly(true);
    memo->setFont(memo_font());
    return memo;
}

QLabel* new_label(const char* name, const char* text, QWidget* parent)
{
    QLabel* label = new QLabel(qt_text(text), parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

}  // namespace

TFmain::TFmain()
{
    setObjectName(QStringLiteral("TFmain"));
    resize(653, 551);
    OpenDialog1.mode = Tfile_dialog_mode::open;
    OpenDialog1.filter = "XML files (.xml)|*.xml|All files|*.*";
    OpenDialog1.default_extension = "xml";
    buildMenu();
    buildWidgets();
    setAcceptDrops(true);

    TabControl1->setCurrentIndex(0);
    TabControl1Change();

    char version[version_id_size];
    get_version_id(version);
    Tmy_string caption;
    caption.printf("Calyxo Configuration View 32 - %s", version);
    setWindowTitle(qt_text(caption.c_str()));
}

void TFmain::buildMenu()
{
    QMenuBar* MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    QMenu* File1 = MainMenu1->addMenu(QStringLiteral("File"));
    File1->setObjectName(QStringLiteral("File1"));

    LoadXMLsetup1 = File1->addAction(QStringLiteral("Load XML setup...."));
    LoadXMLsetup1->setObjectName(QStringLiteral("LoadXMLsetup1"));
    LoadXMLsetup1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(LoadXMLsetup1, &QAction::triggered, this, [this] { LoadXMLsetup1Click(); });

    Savetoeepromdatabin1 = File1->addAction(QStringLiteral("Save to eeprom_data.bin"));
    Savetoeepromdatabin1->setObjectName(QStringLiteral("Savetoeepromdatabin1"));
    connect(Savetoeepromdatabin1, &QAction::triggered, this, [this] { Savetoeepromdatabin1Click(); });
}

void TFmain::buildWidgets()
{
    QWidget* client = new QWidget(this);
    QVBoxLayout* layout = new QVBoxLayout(client);

    TabControl1 = new QTabBar(client);
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    TabControl1->setExpanding(false);
    for (int block = 0; block < block_count; ++block) {
        Tmy_string title;
        title.printf("Configuration #%d", block);
        TabControl1->addTab(qt_text(title.c_str()));
    }
    connect(TabControl1, &QTabBar::currentChanged, this, [this] { TabControl1Change(); });
    layout->addWidget(TabControl1);

    Label1 = new_label("Label1", "Configuration #0", client);
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    layout->addWidget(Label1);

    memo0 = new_memo("memo0", client);
    memo0->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(memo0, 1);

    // The command text has no blanks: wrap it anywhere so all of it shows.
    memo1 = new_memo("memo1", client);
    memo1->setWordWrapMode(QTextOption::WrapAnywhere);
    memo1->setMaximumHeight(memo1->fontMetrics().lineSpacing() * 6);
    layout->addWidget(memo1);

    QHBoxLayout* footer = new QHBoxLayout;
    Button1 = new QPushButton(QStringLiteral("Copy"), client);
    Button1->setObjectName(QStringLiteral("Button1"));
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    footer->addWidget(Button1);
    footer->addSpacing(16);
    footer->addWidget(new_label("Label2", "size : ", client));
    lb_size = new_label("lb_size", "", client);
    footer->addWidget(lb_size);
    footer->addSpacing(16);
    footer->addWidget(new_label("Label3", "checksum : ", client));
    lb_cs = new_label("lb_cs", "", client);
    footer->addWidget(lb_cs);
    footer->addStretch(1);
    layout->addLayout(footer);

    setCentralWidget(client);
}

void TFmain::logLine(const char* line)
{
    append_log_line(log_target, line);
}

void TFmain::load_setup_file(const char* path)
{
    loaded = false;
    station_element = nullptr;
    if (!xml_LoadFile(path, &document)) {
        errorBox("Erreur lors de la lecture du fichier");
    } else {
        loaded = true;
        station_element = xml_FindDocumentPath(&document, "/STATIONS/STATION");
        if (!station_element)
            station_element = document.root;
        const int result = station.parse(station_element);
        if (result & eeprom_result_error)
            loaded = false;
        if (result & eeprom_result_overflow) {
            errorBox("Fichier de configuration trop grand");
            loaded = false;
        }
    }
    const QSignalBlocker quiet(TabControl1);
    TabControl1->setCurrentIndex(0);
    TabControl1Change();
}

void TFmain::show_configuration(int block)
{
    memo0->clear();
    memo1->clear();
    Tmy_string title;
    title.printf("Configuration #%d", block);
    Label1->setText(qt_text(title.c_str()));
    // Without a configuration the labels must not go on showing the last one's.
    if (!loaded) {
        lb_size->clear();
        lb_cs->clear();
        return;
    }

    Tmy_string value;
    value.printf("%d", block);
    tinyxml2::XMLElement* element =
        xml_FindChildEntity(station_element, "CONFIGURATION", "value", value.c_str());
    const Tconfiguration_block shown = configuration_block(station.configuration, static_cast<unsigned>(block));
    if (shown.length > 0) {
        log_target = memo0;
        xml_LogEntity(element, 0, -1);
        log_target = memo1;
        log_printf("%s", shown.command.c_str());
        memo0->moveCursor(QTextCursor::Start);
    }
    log_target = nullptr;
    lb_size->setText(qt_text(shown.size_text.c_str()));
    lb_cs->setText(qt_text(shown.checksum_text.c_str()));
}

void TFmain::LoadXMLsetup1Click()
{
    const std::string path = dialog_seam().chooseFile(OpenDialog1);
    if (!path.empty())
        load_setup_file(path.c_str());
}

void TFmain::TabControl1Change()
{
    show_configuration(TabControl1->currentIndex());
}

void TFmain::Button1Click()
{
    memo1->selectAll();
    dialog_seam().setClipboardText(memo1->toPlainText().toStdString());
}

void TFmain::Savetoeepromdatabin1Click()
{
    const int error = save_eeprom_image(station.configuration, image_file_name);
    if (error == 0)
        return;
    Tmy_string text;
    text.printf("Erreur lors de l'écriture du fichier %s\n%s", image_file_name, std::strerror(error));
    errorBox(text.c_str());
}

void TFmain::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TFmain::dropEvent(QDropEvent* event)
{
    on_drop_files(event->mimeData());
    event->acceptProposedAction();
}

void TFmain::on_drop_files(const QMimeData* dropped)
{
    if (!dropped)
        return;
    // Only files can be loaded; other dropped addresses are passed over.
    for (const QUrl& url : dropped->urls())
        if (url.isLocalFile())
            load_setup_file(url.toLocalFile().toUtf8().constData());
}

void TFmain::errorBox(const char* text)
{
    Tmessage_box box;
    box.text = text;
    box.caption = windowTitle().toStdString();
    box.icon = Tbox_icon::error;
    box.buttons = Tbox_buttons::ok;
    dialog_seam().messageBox(box);
}
