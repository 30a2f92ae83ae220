#include "openvr/VROverlayController.h"

#include <QDebug>
#include <QTimer>

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
    // keeps the first.
    int interval = defaultUpdateIntervalMs;
    if (m_settings && m_settings->updateIntervalMs > 0.0f)
        interval = static_cast<int>(m_settings->updateIntervalMs);
    m_updateTimer->setInterval(interval);
    m_updateTimer->setSingleShot(false);
    connect(m_updateTimer, &QTimer::timeout, this, &VROverlayController::onTick);
    connect(m_durationTimer, &QTimer::timeout, this, &VROverlayController::onDurationElapsed);
    m_updateTimer->start();
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

    if (previous && *previous == settings)
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
            m_durationTimer->setInterval(static_cast<int>(static_cast<double>(settings.duration) * 1000.0));
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

    // The renderer decides whether anyone can see the frame.
    m_renderer->setTexture(m_textureView->textureId());
}

void VROverlayController::onDurationElapsed()
{
    m_renderer->setAlpha(0.0f);
    m_renderer->setVisible(false);
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
