#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>
#include <utility>

// Gives a test its own working directory, home and desktop, temporary folder and runtime
// folder, all inside one fresh temporary tree, and restores the process's environment and
// working directory when it goes out of scope. Settings files, instance locks, work files and
// the desktop defaults of a test therefore never touch the user's real folders or another
// test's.
class TempEnvironment {
public:
    TempEnvironment();
    ~TempEnvironment();
    TempEnvironment(const TempEnvironment&) = delete;
    TempEnvironment& operator=(const TempEnvironment&) = delete;

    bool ok() const { return m_ok; }

    QString root() const { return m_root.path(); }
    QString work() const { return root() + QStringLiteral("/work"); }
    QString home() const { return root() + QStringLiteral("/home"); }
    QString desktop() const { return home() + QStringLiteral("/Desktop"); }
    QString temp() const { return root() + QStringLiteral("/tmp"); }
    QString runtime() const { return root() + QStringLiteral("/runtime"); }

    // The settings file as the program names it in the working directory.
    QString iniFile() const { return work() + QStringLiteral("/VELDOR.ini"); }

    // Sets (or, with nullopt, removes) a variable until the environment is restored.
    void set(const char* name, const std::optional<QByteArray>& value);

    // Writes a camera description file with one camera per name and points
    // VELDOR_SIMULATED_CAMERAS at it.
    bool useCameras(const QStringList& names);

    // Writes text to a file below root(), creating its folders.
    static bool writeFile(const QString& path, const QByteArray& text);
    static QByteArray readFile(const QString& path);

private:
    QTemporaryDir m_root;
    QString m_oldCwd;
    QList<std::pair<QByteArray, std::optional<QByteArray>>> m_saved;
    bool m_ok = false;
};
