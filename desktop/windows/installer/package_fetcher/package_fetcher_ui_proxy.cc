#include "desktop/windows/installer/package_fetcher/package_fetcher_ui_proxy.h"

#include <utility>

#include "base/bind.h"
#include "base/location.h"
#include "base/threading/thread_task_runner_handle.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_delegate.h"

PackageFetcherUIProxy::PackageFetcherUIProxy(PackageFetcherDelegate* delegate,
                                             UICallbackRunner* controller)
    : ui_runner_(base::ThreadTaskRunnerHandle::Get()),
      delegate_(delegate),
      controller_(controller) {}

PackageFetcherUIProxy::~PackageFetcherUIProxy() = default;

void PackageFetcherUIProxy::Detach() {
  delegate_ = nullptr;
  controller_ = nullptr;
}

void PackageFetcherUIProxy::NotifyStatusChanged(uint32_t status) {
  ui_runner_->PostTask(base::Location("NotifyPackageFetcherStatusChanged", __FILE__, __LINE__),
                       base::BindOnce(&PackageFetcherUIProxy::CallDelegate,
                                      base::scoped_refptr<PackageFetcherUIProxy>(this),
                                      &PackageFetcherDelegate::OnPackageFetcherStatusChanged,
                                      status));
}

void PackageFetcherUIProxy::NotifyError(uint32_t kind, std::string message,
                                        std::vector<FetchStatistics> details) {
  ui_runner_->PostTask(base::Location("NotifyPackageFetcherError", __FILE__, __LINE__),
                       base::BindOnce(&PackageFetcherUIProxy::CallError,
                                      base::scoped_refptr<PackageFetcherUIProxy>(this), kind,
                                      std::move(message), std::move(details)));
}

void PackageFetcherUIProxy::RunUICallbackAndPostReply(
    UICallback callback, base::scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
    Reply reply) {
  ui_runner_->PostTask(base::Location("RunUICallbackAndPostReply", __FILE__, __LINE__),
                       base::BindOnce(&PackageFetcherUIProxy::CallController,
                                      base::scoped_refptr<PackageFetcherUIProxy>(this),
                                      std::move(callback), std::move(reply_runner),
                                      std::move(reply)));
}

void PackageFetcherUIProxy::SetTotalProgress(uint32_t bytes) {
  ui_runner_->PostTask(base::Location("SetTotalProgress", __FILE__, __LINE__),
                       base::BindOnce(&PackageFetcherUIProxy::CallDelegate,
                                      base::scoped_refptr<PackageFetcherUIProxy>(this),
                                      &PackageFetcherDelegate::SetTotalProgress, bytes));
}

void PackageFetcherUIProxy::SetCurrentProgress(uint32_t bytes) {
  ui_runner_->PostTask(base::Location("SetCurrentProgress", __FILE__, __LINE__),
                       base::BindOnce(&PackageFetcherUIProxy::CallDelegate,
                                      base::scoped_refptr<PackageFetcherUIProxy>(this),
                                      &PackageFetcherDelegate::SetCurrentProgress, bytes));
}

void PackageFetcherUIProxy::NotifyStalled() {
  ui_runner_->PostTask(base::Location("NotifyStalled", __FILE__, __LINE__),
                       base::BindOnce(&PackageFetcherUIProxy::CallNotifyStalled,
                                      base::scoped_refptr<PackageFetcherUIProxy>(this)));
}

void PackageFetcherUIProxy::OnFilesToUnpackCounted(size_t count) {
  ui_runner_->PostTask(base::Location("OnFilesToUnpackCounted", __FILE__, __LINE__),
                       base::BindOnce(&PackageFetcherUIProxy::CallDelegate,
                                      base::scoped_refptr<PackageFetcherUIProxy>(this),
                                      &PackageFetcherDelegate::SetTotalProgress,
                                      static_cast<uint32_t>(count)));
}

void PackageFetcherUIProxy::OnUnpackProgressChanged(size_t unpacked) {
  ui_runner_->PostTask(base::Location("OnUnpackProgressChanged", __FILE__, __LINE__),
                       base::BindOnce(&PackageFetcherUIProxy::CallDelegate,
                                      base::scoped_refptr<PackageFetcherUIProxy>(this),
                                      &PackageFetcherDelegate::SetCurrentProgress,
                                      static_cast<uint32_t>(unpacked)));
}

void PackageFetcherUIProxy::CallDelegate(void (PackageFetcherDelegate::*method)(uint32_t),
                                         uint32_t value) {
  if (delegate_)
    (delegate_->*method)(value);
}

void PackageFetcherUIProxy::CallNotifyStalled() {
  if (delegate_)
    delegate_->NotifyStalled();
}

void PackageFetcherUIProxy::CallError(uint32_t kind, std::string message,
                                      std::vector<FetchStatistics> details) {
  if (delegate_)
    delegate_->OnPackageFetcherError(kind, std::move(message), std::move(details));
}

void PackageFetcherUIProxy::CallController(
    UICallback callback, base::scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
    Reply reply) {
  if (controller_)
    controller_->RunUICallbackAndPostReply(std::move(callback), std::move(reply_runner),
                                           std::move(reply));
}
