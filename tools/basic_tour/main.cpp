// calyxo_basic_tour: the demo's headless tour of calyxo_basic. It builds the
// program's windows (offscreen without a display), picks the simulated
// logger's port in the station chooser, runs "Get Status", "Get Health" and
// "Export EEPROM", saves PNGs of the station chooser, the main window as it
// opens on the logger, its status, health and COM pages once read and the
// text window of the export, saves the exported setup text, prints their paths
// and the status file's, and closes the program as a user would.
//
//   calyxo_basic_tour --com N [--out DIR]
//
// The logger must already be registered as COM<N> in the ports folder. DIR
// (default: the working folder) receives the pictures, the status files
// under status/, the downloads under data_bin/ and data_xml/ and the day log
// under log/. Exit 0 only when the status file and the export were written,
// the health page shows the logger's values, the COM page its settings, and no
// two pictures are the same; otherwise the log's ERROR lines follow the reason.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "base/my_string.h"
#include "base/paths.h"
#include "link/calyxo_master.h"
#include "platform/widgets/program_start.h"
#include "programs/basic/basic_program.h"
#include "programs/basic/wmain.h"
#include "programs/basic/wselstation.h"
#include "programs/basic/wtext.h"

namespace {

constexpr int poll_ms = 20;
constexpr std::chrono::seconds tour_limit(60);

void usage()
{
    std::fprintf(stderr, "usage: calyxo_basic_tour --com N [--out DIR]\n");
}

class Ttour {
public:
    Ttour(Tbasic_program& basic, int com_number, QString folder)
        : program(basic), com(com_number), out(std::move(folder)), started(std::chrono::steady_clock::now()),
          earlier_files(statusFiles())
    {
    }

    void step();
    int result = 1;

private:
    enum class Tstage { choosing, connecting, reading, health, exporting, closing };

    void fail(const char* why);
    // The log's ERROR lines on stderr: what went wrong below the tour.
    void printErrorLines() const;
    void choose(QWidget* chooser);
    // Saves a PNG of the window; false when it cannot be saved or shows the
    // same picture as one saved before.
    bool grab(QWidget* window, const char* name, std::string* path);
    // The text window's setup text as a file and as a picture.
    bool saveExport();
    // The main window with one of its pages in front, saved as name.
    bool grabPage(const char* page, const char* name, std::string* path);
    void command(const char* action);
    QStringList statusFiles() const;
    // The newest status file that this run wrote, "" for none.
    std::string newestStatusFile() const;

    Tbasic_program& program;
    int com;
    QString out;
    std::chrono::steady_clock::time_point started;
    // Files of earlier runs do not count.
    QStringList earlier_files;
    Tstage stage = Tstage::choosing;
    std::string chooser_png;
    std::string main_png;
    std::string status_png;
    std::string health_png;
    std::string status_file;
    std::string export_file;
    std::string export_png;
    std::vector<std::pair<std::string, QImage>> pictures;
};

bool Ttour::grabPage(const char* page, const char* name, std::string* path)
{
    auto* pages = program.main_form->findChild<QTabWidget*>("PageControl1");
    auto* widget = pages ? pages->findChild<QWidget*>(QString::fromLatin1(page)) : nullptr;
    if (!widget)
        return false;
    pages->setCurrentWidget(widget);
    return grab(program.main_form, name, path);
}

void Ttour::command(const char* action)
{
    if (auto* item = program.main_form->findChild<QAction*>(QString::fromLatin1(action)))
        item->trigger();
}

void Ttour::fail(const char* why)
{
    std::fprintf(stderr, "calyxo_basic_tour: %s\n", why);
    printErrorLines();
    result = 1;
    QApplication::exit(1);
}

void Ttour::printErrorLines() const
{
    auto* log = program.main_form ? program.main_form->findChild<QPlainTextEdit*>("Memo1") : nullptr;
    if (!log)
        return;
    for (const QString& line : log->toPlainText().split('\n')) {
        if (line.startsWith("ERROR"))
            std::fprintf(stderr, "calyxo_basic_tour: log: %s\n", line.toUtf8().constData());
    }
}

bool Ttour::grab(QWidget* window, const char* name, std::string* path)
{
    const QString file = QDir(out).absoluteFilePath(QString::fromLatin1(name));
    const QPixmap pixmap = window->grab();
    if (pixmap.isNull() || !pixmap.save(file))
        return false;
    const QImage image = pixmap.toImage();
    for (const auto& earlier : pictures) {
        if (earlier.second == image) {
            std::fprintf(stderr, "calyxo_basic_tour: %s shows the same as %s\n", name, earlier.first.c_str());
            return false;
        }
    }
    pictures.emplace_back(name, image);
    *path = file.toStdString();
    return true;
}

bool Ttour::saveExport()
{
    auto* text = program.text_window ? program.text_window->findChild<QTextEdit*>("RichEdit1") : nullptr;
    if (!text || text->toPlainText().isEmpty())
        return false;
    const std::string file = QDir(out).absoluteFilePath("eeprom_export.xml").toStdString();
    const std::string setup_text = text->toPlainText().toStdString();
    if (write_file_replacing(file.c_str(), setup_text.data(), setup_text.size()) != 0)
        return false;
    export_file = file;
    return grab(program.text_window, "eeprom_export.png", &export_png);
}

void Ttour::choose(QWidget* chooser)
{
    auto* list = chooser->findChild<QListWidget*>("lb_comports");
    const QString wanted = QString::asprintf(": COM%d", com);
    int row = -1;
    for (int i = 0; list && i < list->count(); ++i) {
        if (list->item(i)->text().endsWith(wanted))
            row = i;
    }
    if (row < 0 || list->item(row)->text().at(0) == ' ') {
        fail("the simulated logger's port is not in the station chooser");
        return;
    }
    // As the user does: the entry's letter, then Enter.
    const QString letter = list->item(row)->text().left(1).toLower();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A + (letter.at(0).unicode() - 'a'), Qt::NoModifier, letter);
    QApplication::sendEvent(list, &key);
    if (!grab(chooser, "station_chooser.png", &chooser_png)) {
        fail("the station chooser could not be saved");
        return;
    }
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(list, &enter);
    stage = Tstage::connecting;
}

QStringList Ttour::statusFiles() const
{
    return QDir(QDir(out).absoluteFilePath("status")).entryList({"getstatus_*.xml"}, QDir::Files, QDir::Time);
}

std::string Ttour::newestStatusFile() const
{
    const QDir status(QDir(out).absoluteFilePath("status"));
    for (const QString& file : statusFiles()) {
        if (!earlier_files.contains(file))
            return status.absoluteFilePath(file).toStdString();
    }
    return std::string();
}

void Ttour::step()
{
    if (std::chrono::steady_clock::now() - started > tour_limit) {
        fail("the tour did not end in time");
        return;
    }
    Tcalyxo_master& master = program.master;
    const bool idle = master.state == Tcalyxo_master::STATE_IDLE;
    switch (stage) {
    case Tstage::choosing:
        if (QApplication::activeModalWidget() == program.station_chooser)
            choose(program.station_chooser);
        break;
    case Tstage::connecting:
        if (idle && master.getLinkState() == Tcalyxo_master::LINK_CONNECTED) {
            // The window as it opens on the logger, before anything is read.
            if (!grab(program.main_form, "main_window.png", &main_png)) {
                fail("the main window could not be saved");
                return;
            }
            program.main_form->findChild<QAction*>("GetStatus1")->trigger();
            stage = Tstage::reading;
        } else if (idle && master.getLinkState() == Tcalyxo_master::LINK_DISCONNECTED) {
            fail("the connection to the simulated logger failed");
        }
        break;
    case Tstage::reading:
        if (idle) {
            status_file = newestStatusFile();
            if (!grabPage("TB_sysstatus", "status_page.png", &status_png)) {
                fail("the status page could not be saved");
                return;
            }
            command("GetHealth1");
            stage = Tstage::health;
        }
        break;
    case Tstage::health:
        if (idle) {
            if (!grabPage("ts_health", "health_page.png", &health_png)) {
                fail("the health page could not be saved");
                return;
            }
            command("ExportEEPROM1");
            stage = Tstage::exporting;
        }
        break;
    case Tstage::exporting:
        if (idle) {
            std::string com_png;
            if (!grabPage("ts_com_config", "com_page.png", &com_png)) {
                fail("the COM page could not be saved");
                return;
            }
            if (!saveExport()) {
                fail("the exported EEPROM could not be saved");
                return;
            }
            // What the health read and the EEPROM read filled in.
            auto* health = program.main_form->findChild<QLabel*>("lb145");
            auto* apn = program.main_form->findChild<QLineEdit*>("ed_APN");
            const bool health_shown = health && health->text() != "----";
            const bool com_shown = apn && !apn->text().isEmpty();
            std::printf("station chooser: %s\nmain window: %s\nstatus page: %s\nhealth page: %s\nCOM page: %s\n"
                        "EEPROM export: %s\nEEPROM export window: %s\n"
                        "status file: %s\nhealth value 145: %s\nAPN: %s\n",
                        chooser_png.c_str(), main_png.c_str(), status_png.c_str(), health_png.c_str(),
                        com_png.c_str(), export_file.c_str(), export_png.c_str(),
                        status_file.empty() ? "(none written)" : status_file.c_str(),
                        health ? health->text().toUtf8().constData() : "?",
                        apn ? apn->text().toUtf8().constData() : "?");
            std::fflush(stdout);
            result = status_file.empty() || !health_shown || !com_shown ? 1 : 0;
            if (result != 0) {
                std::fprintf(stderr, "calyxo_basic_tour: the status file, the health values or the COM settings "
                                     "are missing\n");
                printErrorLines();
            }
            stage = Tstage::closing;
            // Closing disconnects first; the program quits once the link is down.
            program.main_form->close();
        }
        break;
    case Tstage::closing:
        break;
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    int com = 0;
    QString out = QDir::currentPath();
    for (int i = 1; i < argc; i += 2) {
        const std::string option = argv[i];
        if (i + 1 >= argc) {
            usage();
            return 2;
        }
        if (option == "--com")
            com = std::atoi(argv[i + 1]);
        else if (option == "--out")
            out = QString::fromLocal8Bit(argv[i + 1]);
        else {
            usage();
            return 2;
        }
    }
    if (com < 1 || com > 255 || !QDir().mkpath(out) || !QDir::setCurrent(out)) {
        usage();
        return 2;
    }
    out = QDir::currentPath();

    Tbasic_program program;
    program.preInitialise();
    QApplication application(argc, argv);
    program.applicationMade();
    numbers_in_c_locale();
    // Stands in for the setup a technician loads: where status files go.
    Tmy_string setup;
    setup.printf("<SETUP><PATH_STATUS_LOG path=\"%m\"/></SETUP>", (out + "/status").toUtf8().constData());
    if (program.master.setup.readText(setup.c_str()) != 0) {
        std::fprintf(stderr, "calyxo_basic_tour: the status folder cannot be set\n");
        return 1;
    }
    program.createForms();
    // The downloads under DIR too, not in the user's default folders.
    program.module.setParameter("path_bin", (out + "/data_bin").toUtf8().constData());
    program.master.setParameter("path_xml", (out + "/data_xml").toUtf8().constData());

    Ttour tour(program, com, out);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&tour] { tour.step(); });
    poll.start(poll_ms);
    const int loop = application.exec();
    poll.stop();
    program.shutdown();
    program.destroyForms();
    return loop != 0 ? loop : tour.result;
}
