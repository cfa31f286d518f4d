#include "desktop/windows/installer/wininet/download_observer.h"

DownloadObserver::~DownloadObserver() = default;

std::vector<FetchStatistics> DownloadObserver::GetFetchDetails() const {
  return {};
}
