// SPDX-License-Identifier: MIT
// Level alarms in the window: the rules given at start are watched on the loops the window
// receives, recorded from the local radio or arriving from a watched site, and the alarms that site
// publishes are taken as they come. While any is on, the status box names it in red.
#include "app/frm_specan.h"

#include <QLineEdit>
#include <QPalette>

namespace app {

void frmSpecAn::wireAlarms() {
    connect(&engine(), &engine::EngineThread::loopRecorded, this,
            [this](const recording::ScanRecord& record) {
                if (!m_alarmWatch.isEmpty())
                    watchAlarmLoop(survey::alarmLoopOf(record));
            });
}

// Loop numbers and starts are the site's for a remote loop, as its own alarms give them.
void frmSpecAn::watchAlarmLoop(const survey::AlarmLoop& loop) {
    bool changed = false;
    for (const survey::AlarmEvent& event : m_alarmWatch.take(loop))
        changed |= m_alarmBoard.take(QString(), event);
    if (changed)
        showStatusBox();
}

void frmSpecAn::siteAlarmReceived(const fleet::SiteAlarm& alarm) {
    survey::AlarmEvent event;
    event.kind = alarm.starts ? survey::AlarmEvent::Kind::Start : survey::AlarmEvent::Kind::End;
    event.rule = alarm.rule;
    event.loop = alarm.loop;
    event.loopStart = alarm.start;
    event.f10 = alarm.f10;
    event.dbm = alarm.dbm;
    if (m_alarmBoard.take(alarm.site, event))
        showStatusBox();
}

void frmSpecAn::showStatusBox() {
    const QString alarms = m_alarmBoard.text();
    txtRestoredScan->setText(alarms.isEmpty() ? m_statusText : alarms);
    // Only the colour set here overrides what the box inherits; none gives the inherited one back.
    QPalette palette;
    if (!alarms.isEmpty())
        palette.setColor(QPalette::Text, RecordedColor);
    txtRestoredScan->setPalette(palette);
    txtRestoredScan->setVisible(m_statusBoxShown || !alarms.isEmpty());
}

} // namespace app
