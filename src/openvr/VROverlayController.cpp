#include "openvr/VROverlayController.h"

#include "app/TimerPhase.h"

#include <QDebug>
#include <QTimer>

#include <cmath>
#include <limits>

namespace {

bool sameFloat(float a, float b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

} // namespace

VROverlayController::VROverlayController(std::shared_ptr<IInputSource> inputSource,
    std::shared_ptr<IVRRenderer> renderer, std::shared_ptr<ITextureView> textureView,
    std::shared_ptr<IOverlayModel> model)
    : m_updateTimer(new QTimer)
    , m_durationTimer(new QTimer)
    , m_inputSource(std::move(inputSource))
    , m_renderer(std::move(renderer))
    , m_textureView(std::move(textureView))
    , m_model(std::move(model))
{
    applySettings();

    // The tick is set once; a model that later asks for another interval
    // keeps the first. One no timer can take (NaN, infinite, beyond a
    // timer's range, or below a millisecond) is no request either.
    int interval = defaultUpdateIntervalMs;
    if (m_settings && m_settings->updateIntervalMs >= 1.0f
        && static_cast<double>(m_settings->updateIntervalMs) < static_cast<double>(std::numeric_limits<int>::max()))
        interval = static_cast<int>(m_settings->updateIntervalMs);
    m_updateTimer->setInterval(interval);
    m_updateTimer->setSingleShot(false);
    connect(m_updateTimer, &QTimer::timeout, this, &VROverlayController::onTick);
    connect(m_durationTimer, &QTimer::timeout, this, &VROverlayController::onDurationElapsed);
    TimerPhase::start(m_updateTimer);
}

VROverlayController::~VROverlayController()
{
    m_model.reset();
    m_textureView.reset();
    m_renderer.reset();
    m_inputSource.reset();
    delete m_durationTimer;
    delete m_updateTimer;
}

void VROverlayController::applySettings()
{
    if (!m_model)
        return;

    const std::optional<OverlaySettings> previous = m_settings;
    m_settings = m_model->getSettings();
    const OverlaySettings &settings = *m_settings;

    if (previous && sameRecord(*previous, settings))
        return;

    qDebug() << "Got new settings:";
    qDebug() << "   IsVisible:" << settings.isVisible;
    qDebug() << "   IsPermanent:" << settings.isPermanent;
    qDebug() << "\txPos:" << settings.xPos;
    qDebug() << "\tyPos:" << settings.yPos;
    qDebug() << "\tDistance:" << settings.distance;
    qDebug() << "\tInterpolationSpeed:" << settings.interpolationSpeed;

    if (!previous || previous->isVisible != settings.isVisible || previous->isPermanent != settings.isPermanent) {
        if (settings.isVisible) {
            m_durationTimer->setSingleShot(true);
            m_durationTimer->setInterval(timerIntervalMs(static_cast<double>(settings.duration) * 1000.0));
            if (settings.isPermanent)
                m_durationTimer->stop();
            else
                m_durationTimer->start();
            m_renderer->setVisible(true);
            m_renderer->setAlpha(1.0f);
        } else {
            m_renderer->setAlpha(0.0f);
            m_renderer->setVisible(false);
        }
    }

    m_renderer->setMouseScale(settings.pixelWidth, settings.pixelHeight);
    m_renderer->setWidthInMeters(settings.scale);
    m_renderer->setPlacement(settings.xPos, settings.yPos, settings.distance, settings.interpolationSpeed);
    m_renderer->setAlpha(settings.maxAlpha);
}

void VROverlayController::onTick()
{
    applySettings();

    // A hidden panel leaves its events in the runtime's queue.
    if (m_settings && m_settings->isVisible) {
        OverlayMouseEvent event;
        while (m_inputSource->pollEvent(event))
            m_textureView->injectMouseEvent(event);
    }

    handOverNewFrame();
    m_renderer->tick();
}

void VROverlayController::handOverNewFrame()
{
    // An unchanged picture is already in the runtime: handing it over again
    // would cost the runtime a copy on every tick. Before the first frame
    // there is nothing to show.
    const uint64_t frames = m_textureView->framesRendered();
    if (frames == 0 || frames == m_framesHandedOver)
        return;
    m_framesHandedOver = frames;
    // The renderer decides whether anyone can see the frame, and keeps it
    // until the runtime took it.
    m_renderer->setTexture(m_textureView->textureId());
}

void VROverlayController::onDurationElapsed()
{
    m_renderer->setAlpha(0.0f);
    m_renderer->setVisible(false);
}

int VROverlayController::timerIntervalMs(double ms)
{
    if (!(ms > 0.0))
        return 0;
    if (ms >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return static_cast<int>(ms);
}

bool VROverlayController::sameRecord(const OverlaySettings &a, const OverlaySettings &b)
{
    return a.isVisible == b.isVisible && a.isPermanent == b.isPermanent && sameFloat(a.duration, b.duration)
        && sameFloat(a.fadeOutDuration, b.fadeOutDuration) && sameFloat(a.maxAlpha, b.maxAlpha)
        && sameFloat(a.interpolationSpeed, b.interpolationSpeed) && sameFloat(a.xPos, b.xPos)
        && sameFloat(a.yPos, b.yPos) && sameFloat(a.distance, b.distance) && a.pixelWidth == b.pixelWidth
        && a.pixelHeight == b.pixelHeight && sameFloat(a.scale, b.scale)
        && sameFloat(a.updateIntervalMs, b.updateIntervalMs);
}

int VROverlayController::updateIntervalMs() const
{
    return m_updateTimer->interval();
}

bool VROverlayController::isHideTimerActive() const
{
    return m_durationTimer->isActive();
}

int VROverlayController::hideTimerIntervalMs() const
{
    return m_durationTimer->interval();
}
