#include "SimulatorLink.h"

#include "ModemSimCore.h"

SimulatorLink::SimulatorLink(QObject *parent)
    : ByteLink(parent), m_core(std::make_unique<tandrel::sim::ModemSimCore>())
{
    m_clock.start();
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        m_core->advance(m_clock.elapsed());
        pump();
    });
    // Replies arrive from the event loop, as from a real port, never inside write().
    m_deliver.setSingleShot(true);
    m_deliver.setInterval(1);
    connect(&m_deliver, &QTimer::timeout, this, [this] {
        if (!m_open || m_pending.isEmpty())
            return;
        const QByteArray chunk = std::exchange(m_pending, {});
        emit received(chunk);
    });
    const auto lines = m_core->lines();
    m_cts = lines.cts;
    m_carrier = lines.carrier;
}

SimulatorLink::~SimulatorLink() = default;

bool SimulatorLink::open(const PortSettings &, int, QString *)
{
    m_open = true;
    pump();
    return true;
}

void SimulatorLink::close()
{
    m_open = false;
    m_pending.clear();
}

void SimulatorLink::write(const QByteArray &bytes)
{
    if (!m_open)
        return;
    m_core->receive(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())),
                    m_clock.elapsed());
    pump();
}

bool SimulatorLink::cts() const
{
    return m_cts;
}
bool SimulatorLink::carrier() const
{
    return m_carrier;
}

bool SimulatorLink::command(const QString &line, QString *error)
{
    std::string why;
    const bool ok = m_core->command(line.toStdString(), m_clock.elapsed(), &why);
    if (!ok && error)
        *error = QString::fromStdString(why);
    pump();
    return ok;
}

void SimulatorLink::pump()
{
    const std::string out = m_core->takeOutput();
    if (m_open && !out.empty()) {
        m_pending.append(out.data(), static_cast<qsizetype>(out.size()));
        if (!m_deliver.isActive())
            m_deliver.start();
    }
    const auto lines = m_core->lines();
    if (lines.cts != m_cts) {
        m_cts = lines.cts;
        if (m_open)
            emit ctsChanged();
    }
    if (lines.carrier != m_carrier) {
        m_carrier = lines.carrier;
        if (m_open)
            emit carrierChanged();
    }
    const quint64 rings = m_core->ringCount();
    if (rings != m_rings) {
        m_rings = rings;
        if (m_open)
            emit ring();
    }
    schedule();
}

void SimulatorLink::schedule()
{
    const int64_t due = m_core->nextDeadline();
    if (due < 0) {
        m_deadline.stop();
        return;
    }
    m_deadline.start(static_cast<int>(std::max<int64_t>(0, due - m_clock.elapsed())));
}
