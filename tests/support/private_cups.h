// A private cupsd for one test (tests/support/private-cups.sh), stopped again by the
// destructor. Its folders lie under the test's own root, so that tests running side by side
// do not meet.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <string>

namespace zol::test {

class PrivateCups {
  public:
    explicit PrivateCups(const std::filesystem::path& root)
        : script_(QStringLiteral(ZOL_SOURCE_DIR "/tests/support/private-cups.sh")) {
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert("BASE", QString::fromStdString((root / "cups").string()));
        env_.insert("OUT", QString::fromStdString((root / "out").string()));
        socket_ = QString::fromStdString((root / "cups" / "cups.sock").string());
        env_.insert("CUPS_SERVER", socket_);
        // The default printer is the queue that passes the PDF through to a file: the virtual
        // PDF printer re-renders CJK text as outlines, so its output could not be read back.
        env_.insert("DEFAULT_QUEUE", "PDFFILE");
        started_ = run({"start"}, 30000, &log_);
    }
    ~PrivateCups() {
        std::string ignored;
        if (started_) run({"stop"}, 15000, &ignored);
    }
    bool started() const { return started_; }
    const std::string& log() const { return log_; }
    const QString& socket() const { return socket_; }

    // Runs the script (or a CUPS client) with this spooler's environment.
    bool run(const QStringList& args, int ms, std::string* output,
             const QString& program = QString()) {
        QProcess p;
        p.setProcessEnvironment(env_);
        p.setProcessChannelMode(QProcess::MergedChannels);
        if (program.isEmpty())
            p.start("/bin/sh", QStringList{script_} + args);
        else
            p.start(program, args);
        if (!p.waitForFinished(ms)) {
            p.kill();
            p.waitForFinished();
            *output = "timed out";
            return false;
        }
        *output = p.readAll().toStdString();
        return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

  private:
    QString script_;
    QProcessEnvironment env_;
    QString socket_;
    std::string log_;
    bool started_ = false;
};

}  // namespace zol::test
