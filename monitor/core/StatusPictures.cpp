#include "monitor/core/StatusPictures.h"

namespace monitor {

StatusPictures::~StatusPictures() {
    for (auto& made : m_made)
        if (made.second) m_source.Destroy(made.second);
}

void* StatusPictures::Picture(int resourceId) {
    if (resourceId == 0) return nullptr;
    for (auto& made : m_made)
        if (made.first == resourceId) return made.second;
    void* picture = m_source.Create(resourceId);
    m_made.emplace_back(resourceId, picture);
    return picture;
}

}  // namespace monitor
