#pragma once

#include "platform/Result.h"

#include <QDateTime>
#include <optional>

namespace vrq {

// When the site's history was last purged, and by which workstation.
struct SitePurge {
    QDateTime when{};
    int workstation = 1;
};

// What the workstations sharing one store do once for all of them: the daily purge, and the audit files
// in the host folder, which have one writer at a time. A store in a file serves one workstation, which is
// the whole site: its lock is always free and its purge date is the settings' own.
class SiteJobs {
public:
    virtual ~SiteJobs() = default;

    // Takes the site's lock for its daily jobs and its audit files, held until releaseSiteLock (taken
    // again by the same program, it counts). InUse while another workstation holds it.
    virtual Result holdSiteLock() = 0;
    virtual void releaseSiteLock() = 0;
    // The site's last purge; none when the store keeps no such record (or the site was never purged).
    virtual std::optional<SitePurge> lastPurge(Result* result = nullptr) = 0;
    // Records a finished purge of the site by this workstation.
    virtual Result recordPurge(const QDateTime& when) = 0;
};

// Holds the site's lock for a scope: taken() tells whether it was had.
class SiteLock {
public:
    explicit SiteLock(SiteJobs& site) : m_site(site), m_taken(site.holdSiteLock()) {}
    ~SiteLock() {
        if (m_taken.ok())
            m_site.releaseSiteLock();
    }
    SiteLock(const SiteLock&) = delete;
    SiteLock& operator=(const SiteLock&) = delete;

    // Success, InUse (another workstation holds it), or why it could not be asked for.
    const Result& taken() const { return m_taken; }

private:
    SiteJobs& m_site;
    Result m_taken;
};

} // namespace vrq
