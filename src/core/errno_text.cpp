#include "core/errno_text.h"

#include <cerrno>

namespace zol {

std::string errno_text(int err) {
    switch (err) {
        case ENOSPC:
            return "磁碟空間不足";
        case EDQUOT:
            return "超過磁碟配額";
        case EACCES:
        case EPERM:
            return "沒有權限";
        case ENOENT:
            return "檔案或資料夾不存在";
        case ENOTDIR:
            return "路徑中有一段不是資料夾";
        case EISDIR:
            return "名稱指向的是資料夾";
        case EROFS:
            return "唯讀的檔案系統";
        case EIO:
            return "磁碟或網路磁碟機讀寫錯誤";
        case EBADF:
            return "檔案已無法存取";
        case EINTR:
            return "作業被中斷";
        case ENOMEM:
            return "記憶體不足";
        case EMFILE:
        case ENFILE:
            return "同時開啟的檔案太多";
        case ELOOP:
            return "路徑是符號連結";
        case ENAMETOOLONG:
            return "路徑太長";
        case ESTALE:
            return "網路磁碟機上的檔案已失效";
        case ETIMEDOUT:
            return "連線逾時";
        case EFBIG:
            return "檔案太大";
        case EEXIST:
            return "檔案已存在";
        case EBUSY:
        case EAGAIN:
            return "資源忙碌中";
        case EINVAL:
            return "參數不正確";
        case EOVERFLOW:
            return "數值超出範圍";
        case EBADFD:
            return "檔案代碼狀態不正確";
        case EFAULT:
            return "記憶體位址不正確";
        case ENXIO:
        case ENODEV:
            return "裝置不存在";
        case EOPNOTSUPP:
            return "檔案系統不支援此作業";
        case EXDEV:
            return "不能跨檔案系統搬移";
        case ENOTEMPTY:
            return "資料夾不是空的";
        case ENOLCK:
            return "無法鎖定檔案";
        case ETXTBSY:
            return "檔案正在使用中";
        case EPIPE:
            return "讀取端已關閉";
        default:
            return "系統錯誤代碼 " + std::to_string(err);
    }
}

}  // namespace zol
