#include "PanelClient.h"

#include <QTest>

PanelClient::PanelClient(const QProcessEnvironment &environment)
{
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

PanelClient::~PanelClient()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

bool PanelClient::start(const QString &key, const QSize &size, const QStringList &options)
{
    m_process.start(QStringLiteral(VRSIM_PANEL_CLIENT),
        QStringList {key, QString::number(size.width()), QString::number(size.height())} + options);
    return m_process.waitForStarted() && waitFor([this] { return m_ready; });
}

bool PanelClient::command(const QString &line)
{
    const int before = m_acknowledged;
    m_process.write(line.toUtf8() + '\n');
    return waitFor([this, before] { return m_acknowledged > before; });
}

QString PanelClient::nextEvent()
{
    if (!waitFor([this] { return !m_events.isEmpty(); }))
        return QString();
    return m_events.takeFirst();
}

bool PanelClient::waitFor(const std::function<bool()> &condition)
{
    return QTest::qWaitFor(
               [&] {
                   readLines();
                   return condition() || m_process.state() == QProcess::NotRunning;
               },
               10000)
        && condition();
}

void PanelClient::readLines()
{
    while (m_process.canReadLine()) {
        const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
        if (line == QLatin1String("ready"))
            m_ready = true;
        else if (line == QLatin1String("ok"))
            ++m_acknowledged;
        else
            m_events.append(line);
    }
}
