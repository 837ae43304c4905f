#include "player/engine/ddp/DDPModel.h"

std::vector<int>& DDPModel::getIndexList()
{
    return m_indexList;
}

int DDPModel::getTrackNumber()
{
    return m_trackNumber;
}

bool DDPModel::isInitialIndexValid()
{
    return !m_indexList.empty() && m_indexList.front() == 0;
}

void DDPModel::setTrackNumber(int trackNumber)
{
    m_trackNumber = trackNumber;
}

void DDPModel::setIndexOffset(int offset)
{
    m_indexOffset = offset;
}

void DDPModel::setRunning(bool running)
{
    m_running.store(running);
    if (m_runningCallback)
        m_runningCallback(running);
}

void DDPModel::setRunningCallback(const std::function<void(bool)>& callback)
{
    m_runningCallback = callback;
}

int DDPModel::getIndexOffset()
{
    return m_indexOffset;
}

std::vector<DDP::PQDESCR>& DDPModel::getDescList()
{
    return m_descList;
}

CdText::CdInfo& DDPModel::getCdInfo()
{
    return m_cdInfo;
}

bool DDPModel::isRunning() const
{
    return m_running.load();
}
