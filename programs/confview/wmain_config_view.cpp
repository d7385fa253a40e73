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
#include <QTextCursor>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

#include <cstring>

#include "base/log.h"
#include "base/my_string.h"
#include "base/regular_file.h"
#include "platform/widgets/log_memo.h"
#include "programs/confview/configuration_block.h"
#include "programs/confview/eeprom_image_file.h"
#include "programs/confview/tab_rows.h"
#include "programs/confview/version_id.h"

namespace {

// Pages 7 and 250 have no tab: page 7 only goes into the image file.
constexpr int block_count = 7;
constexpr char image_file_name[] = "eeprom_data.bin";
const char read_error[] = "Erreur lors de la lecture du fichier";
const char too_large[] = "Fichier de configuration trop grand";
const char no_station[] = "no STATIONS/STATION, not a setup file";

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

// The lines a compile or a dump logged, one per line of the text field.
void show_lines(QPlainTextEdit* memo, const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        append_log_line(memo, line.c_str());
}

// The error lines among those of a compile, one per line, with the count of
// those the compile held back.
std::string error_lines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        if (line.rfind("ERROR", 0) == 0 || line.rfind("... and ", 0) == 0)
            text += (text.empty() ? "" : "\n") + line;
    return text;
}

// The station of a setup file, or a file that is one station; null for any
// other document.
Txml_element setup_station(myXMLdocument& document)
{
    if (Txml_element station = xml_FindDocumentPath(&document, "/STATIONS/STATION"))
        return station;
    return xml_IsEntity(document.root, "STATION") ? document.root : nullptr;
}

QLabel* new_label(const char* name, const char* text, QWidget* parent)
{
    QLabel* label = new QLabel(qt_text(text), parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

}  // namespace

TFmain::TFmain() : station(std::make_unique<Tstation>())
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

    TabControl1 = new Ttab_rows("TabControl1", client);
    for (int block = 0; block < block_count; ++block) {
        Tmy_string title;
        title.printf("Configuration #%d", block);
        TabControl1->addTab(title.c_str());
    }
    TabControl1->on_change = [this] { TabControl1Change(); };
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

void TFmain::load_setup_file(const char* path)
{
    loaded = false;
    load_failure.clear();
    station_element = nullptr;
    // A station parsed in place would keep what the file before set and this
    // one leaves out (its id among them).
    station = std::make_unique<Tstation>();
    const std::string file = path ? path : "";
    Tmy_string too_large_file;
    Tfile_read_error error;
    if (setup_file_too_large(path, &too_large_file)) {
        load_failure = std::string(read_error) + "\n" + too_large_file.c_str();
        errorBox(load_failure.c_str());
    } else if (!xml_LoadFile(path, &document, &error)) {
        load_failure = std::string(read_error) + "\n" + file + " : " + file_read_error_text_fr(error);
        errorBox(load_failure.c_str());
    } else if (!(station_element = setup_station(document))) {
        // A measurement file or any other XML: nothing in it is a station.
        load_failure = std::string(read_error) + "\n" + file + " : " + no_station;
        errorBox(load_failure.c_str());
    } else {
        Tlog_capture compile_log;
        const int result = station->parse(station_element);
        if (result & eeprom_result_overflow)
            load_failure = too_large;
        if (result & eeprom_result_error)
            load_failure += (load_failure.empty() ? "" : "\n") + error_lines(compile_log.lines());
        loaded = result == 0;
        if (!loaded)
            errorBox(load_failure.c_str());
    }
    // Tab 0 is shown, whichever tab was selected.
    if (TabControl1->currentIndex() == 0)
        TabControl1Change();
    else
        TabControl1->setCurrentIndex(0);
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
    Txml_element element =
        xml_FindChildEntity(station_element, "CONFIGURATION", "value", value.c_str());
    const Tconfiguration_block shown = configuration_block(station->configuration, static_cast<unsigned>(block));
    if (shown.length > 0) {
        Tlog_capture dump;
        xml_LogEntity(element, 0, -1);
        show_lines(memo0, dump.lines());
        memo1->setPlainText(qt_text(shown.command.c_str()));
        memo0->moveCursor(QTextCursor::Start);
    }
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
    // The image of a file that could not be used is the one before it or a
    // part of its own: neither is what the technician asked for.
    if (!load_failure.empty()) {
        Tmy_string text;
        text.printf("Rien n'a \xC3\xA9t\xC3\xA9 \xC3\xA9" "crit dans %s : le dernier fichier charg\xC3\xA9 n'a pas pu "
                    "\xC3\xAAtre compil\xC3\xA9.\n%s", image_file_name, load_failure.c_str());
        errorBox(text.c_str());
        return;
    }
    const int error = save_eeprom_image(station->configuration, image_file_name);
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
    show_error_box(windowTitle().toStdString(), text);
}
