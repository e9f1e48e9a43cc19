#pragma once

#include "platform/video/GstHandles.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <mutex>
#include <vector>

// Runs a camera's source element alone (its "src" pad, and its "still" pad when it has one,
// each into an appsink) and collects what arrives, for tests of the source itself.
class SourceFrames {
public:
    explicit SourceFrames(GstElementPtr source);
    ~SourceFrames();

    bool Start();
    // The frames' bytes so far (the first 200 kept), their count, and the still frames' samples.
    QList<QByteArray> Frames() const;
    int Count() const;
    QList<GstSample*> Stills() const; // borrowed; kept until this goes
    // The first error the pipeline posted, or an empty text. UI thread.
    QString Error() const;
    GstElement* Source() const { return m_source.get(); }
    QByteArray CapsText() const;

private:
    static GstFlowReturn OnFrame(GstElement* sink, gpointer self);
    static GstFlowReturn OnStill(GstElement* sink, gpointer self);

    GstElementPtr m_pipeline, m_source;
    mutable std::mutex m_mutex; // guards the members below
    QList<QByteArray> m_frames;
    int m_count = 0;
    std::vector<GstSamplePtr> m_stills;
    QByteArray m_caps;
    mutable QString m_error; // UI thread
};
