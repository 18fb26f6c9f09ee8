#include "shell/update_worker.h"

#include <curl/curl.h>

#include <cstdio>
#include <utility>

namespace ql::update {
namespace {

constexpr long kReadTimeoutSeconds = 10;

void initialiseCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t appendToString(char* data, size_t size, size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

size_t writeToFile(char* data, size_t size, size_t count, void* target) {
  return std::fwrite(data, size, count, static_cast<std::FILE*>(target)) * size;
}

int abortWhenCancelled(void* cancel, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<std::atomic<bool>*>(cancel)->load() ? 1 : 0;
}

// One blocking GET; the body goes to write(sink). True only for a complete 2xx answer.
bool get(const std::string& url, curl_write_callback write, void* sink, std::atomic<bool>& cancel) {
  CURL* curl = curl_easy_init();
  if (!curl) return false;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
#if LIBCURL_VERSION_NUM >= 0x075500
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
#else
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS, CURLPROTO_HTTP | CURLPROTO_HTTPS);
#endif
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kReadTimeoutSeconds);
  // A read time-out: give up when nothing arrives for 10 s.
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kReadTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, write);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, sink);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, abortWhenCancelled);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &cancel);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  const CURLcode result = curl_easy_perform(curl);
  curl_easy_cleanup(curl);
  return result == CURLE_OK;
}

}  // namespace

UpdateWorker::UpdateWorker(Scheduler& loop) : loop_(loop) {}

UpdateWorker::~UpdateWorker() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  cancel_ = true;
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void UpdateWorker::fetchText(const std::string& url, TextDone done) {
  enqueue(Job{url, {}, std::move(done), {}});
}

void UpdateWorker::fetchFile(const std::string& url, const std::string& path, FileDone done) {
  enqueue(Job{url, path, {}, std::move(done)});
}

void UpdateWorker::enqueue(Job job) {
  // Wrap the callback so that it runs on the loop thread only while this worker lives.
  std::weak_ptr<bool> alive = alive_;
  if (job.textDone)
    job.textDone = [this, alive, done = std::move(job.textDone)](bool ok, std::string body) {
      loop_.post([alive, done, ok, body = std::move(body)]() mutable {
        if (alive.lock()) done(ok, std::move(body));
      });
    };
  if (job.fileDone)
    job.fileDone = [this, alive, done = std::move(job.fileDone)](bool ok) {
      loop_.post([alive, done, ok] {
        if (alive.lock()) done(ok);
      });
    };
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  if (!thread_.joinable()) {
    initialiseCurlOnce();
    thread_ = std::thread([this] { run(); });
  }
  wake_.notify_all();
}

void UpdateWorker::run() {
  for (;;) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (stopping_) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    if (job.path.empty()) {
      std::string body;
      const bool ok = get(job.url, appendToString, &body, cancel_);
      job.textDone(ok, std::move(body));
    } else {
      std::FILE* file = std::fopen(job.path.c_str(), "wb");
      bool ok = false;
      if (file) {
        ok = get(job.url, writeToFile, file, cancel_);
        ok = (std::fclose(file) == 0) && ok;
      }
      job.fileDone(ok);
    }
  }
}

}  // namespace ql::update
