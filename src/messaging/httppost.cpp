#include "messaging/httppost.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

#include "platform/eventloop.h"

namespace {

// libcurl's global set-up is not safe to run twice at once.
void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Sink {
    std::string* body;
    bool overflow = false;
};

size_t Collect(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const size_t n = size * count;
    if (sink->body->size() + n > kMaxHttpAnswerBytes) {
        sink->overflow = true;
        return 0;  // makes libcurl stop with a write error
    }
    sink->body->append(data, n);
    return n;
}

HttpOutcome OutcomeOf(CURLcode code) {
    switch (code) {
        case CURLE_OK:
            return HttpOutcome::kAnswered;
        case CURLE_COULDNT_CONNECT:
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_URL_MALFORMAT:
        case CURLE_UNSUPPORTED_PROTOCOL:
            return HttpOutcome::kUnreachable;
        case CURLE_OPERATION_TIMEDOUT:
            return HttpOutcome::kTimedOut;
        default:
            return HttpOutcome::kFailed;
    }
}

struct EasyDeleter {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct MultiDeleter {
    void operator()(CURLM* h) const { curl_multi_cleanup(h); }
};
class HeaderList {
  public:
    HeaderList() = default;
    HeaderList(const HeaderList&) = delete;
    HeaderList& operator=(const HeaderList&) = delete;
    ~HeaderList() { curl_slist_free_all(list_); }
    bool Add(const std::string& line) {
        curl_slist* grown = curl_slist_append(list_, line.c_str());
        if (grown == nullptr) return false;
        list_ = grown;
        return true;
    }
    curl_slist* get() const { return list_; }

  private:
    curl_slist* list_ = nullptr;
};

// Runs the transfer, pumping `loop` between waits; the transfer's result.
CURLcode Perform(CURL* easy, EventLoop* loop) {
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!multi || curl_multi_add_handle(multi.get(), easy) != CURLM_OK) return CURLE_FAILED_INIT;
    int running = 1;
    CURLMcode mc = CURLM_OK;
    while (running > 0 && mc == CURLM_OK) {
        mc = curl_multi_perform(multi.get(), &running);
        if (running > 0 && mc == CURLM_OK)
            mc = curl_multi_poll(multi.get(), nullptr, 0, 10, nullptr);
        if (loop != nullptr) loop->Poll();
    }
    CURLcode result = mc == CURLM_OK ? CURLE_RECV_ERROR : CURLE_FAILED_INIT;
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi.get(), &left)) {
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy) result = msg->data.result;
    }
    curl_multi_remove_handle(multi.get(), easy);
    return result;
}

}  // namespace

HttpReply HttpPost(const HttpRequest& request, EventLoop* loop) {
    HttpReply reply;
    try {
        InitCurlOnce();
        std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
        if (!easy) {
            reply.error = "cannot start a transfer";
            return reply;
        }
        CURL* h = easy.get();
        HeaderList headers;
        bool listed = true;
        for (const auto& [name, value] : request.headers)
            listed = listed && headers.Add(name + ": " + value);
        // No "Expect: 100-continue" pause before larger bodies.
        if (!listed || !headers.Add("Expect:")) {
            reply.error = "out of memory";
            return reply;
        }
        std::string body;
        Sink sink{&body};
        char errorText[CURL_ERROR_SIZE] = {};
        const long timeout = request.timeoutMs > 0 ? request.timeoutMs : 1;
        curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
        curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.body.size()));
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.body.c_str());
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, timeout);
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, timeout);
        curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, Collect);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
        curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
        const CURLcode code = Perform(h, loop);
        reply.outcome = sink.overflow ? HttpOutcome::kFailed : OutcomeOf(code);
        if (reply.outcome == HttpOutcome::kAnswered) {
            curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &reply.status);
            reply.body = std::move(body);
        } else if (sink.overflow) {
            reply.error =
                "the answer is larger than " + std::to_string(kMaxHttpAnswerBytes >> 20) + " MB";
        } else {
            reply.error = errorText[0] != '\0' ? errorText : curl_easy_strerror(code);
        }
    } catch (const std::exception& e) {
        reply = HttpReply{};
        reply.error = e.what();
    }
    return reply;
}
