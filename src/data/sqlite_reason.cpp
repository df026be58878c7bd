#include "data/sqlite_reason.h"

#include <cerrno>

#include "core/errno_text.h"

namespace zol {

std::string sqlite_reason(sqlite3* db, int rc) {
    if (db) rc = sqlite3_extended_errcode(db);
    // The system call's own error, where the engine kept one.
    int sys = db ? sqlite3_system_errno(db) : 0;
    // A read that fails with EIO (or ERANGE, ENXIO) is reported as a damaged file, and the
    // engine keeps its errno with the file only: with the main one or an attached one.
    if (db && sys == 0 && ((rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB)) {
        for (int i = 0; sys == 0 && sqlite3_db_name(db, i); ++i) {
            if (sqlite3_file_control(db, sqlite3_db_name(db, i), SQLITE_FCNTL_LAST_ERRNO, &sys) !=
                SQLITE_OK)
                sys = 0;
        }
    }
    // The system's reason after the engine's, unless it says the same.
    const auto because = [sys](const std::string& what) {
        const std::string why = sys != 0 ? errno_text(sys) : what;
        return why == what ? what : what + "（" + why + "）";
    };
    switch (rc & 0xff) {
        case SQLITE_FULL:
            return errno_text(ENOSPC);
        case SQLITE_IOERR:
            return because(errno_text(EIO));
        case SQLITE_CANTOPEN:
            return because("無法開啟檔案");
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            // A read that failed can leave what was read looking damaged: the system call's
            // error tells the two apart.
            if (sys != 0) return because(errno_text(EIO));
            return "檔案已損毀或不是資料庫檔案";
        case SQLITE_NOMEM:
            return "記憶體不足";
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return "沒有權限";
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return "資料庫正被其他程式鎖定";
        default:
            return db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    }
}

}  // namespace zol
