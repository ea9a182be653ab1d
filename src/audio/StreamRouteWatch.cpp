// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/StreamRouteWatch.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/proplist.h>
#include <pulse/subscribe.h>

#include <string>
#include <unistd.h>

namespace tarvel {

StreamRouteWatch::StreamRouteWatch(QString output)
        : client_("tarvel stream watch"), output_(std::move(output))
{
}

std::optional<QString> StreamRouteWatch::check()
{
    client_.runPending();
    if (!subscribed_ && client_.ready()) {
        subscribed_ = true;
        pa_context_set_subscribe_callback(
            client_.context(),
            [](pa_context*, pa_subscription_event_type_t type, std::uint32_t index, void* self) {
                if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) != PA_SUBSCRIPTION_EVENT_REMOVE)
                    static_cast<StreamRouteWatch*>(self)->askAboutStream(index);
            },
            this);
        pa_operation_unref(
            pa_context_subscribe(client_.context(), PA_SUBSCRIPTION_MASK_SINK_INPUT, nullptr, nullptr));
        askAboutStream(PA_INVALID_INDEX); // the streams that began before the subscription
    }
    if (movedTo_.isEmpty() || !answered_)
        return std::nullopt;
    if (outputGone_)
        return QStringLiteral("the output was removed (the sound server moved the rest to %1)").arg(movedTo_);
    return QStringLiteral("the sound server moved the stream to %1, which would have played the rest")
        .arg(movedTo_);
}

// Asks for one stream by its index, or for all of them.
void StreamRouteWatch::askAboutStream(std::uint32_t index)
{
    pa_operation_unref(index == PA_INVALID_INDEX
            ? pa_context_get_sink_input_info_list(client_.context(), streamSeen, this)
            : pa_context_get_sink_input_info(client_.context(), index, streamSeen, this));
}

// A stream of this process (another program's streams are not ours to judge): on which output?
void StreamRouteWatch::streamSeen(pa_context* context, const pa_sink_input_info* info, int last, void* self)
{
    auto& watch = *static_cast<StreamRouteWatch*>(self);
    if (last || !info || !watch.movedTo_.isEmpty())
        return;
    const char* pid = pa_proplist_gets(info->proplist, PA_PROP_APPLICATION_PROCESS_ID);
    if (pid && std::string(pid) == std::to_string(getpid()))
        pa_operation_unref(pa_context_get_sink_info_by_index(context, info->sink, outputOfStreamSeen, self));
}

void StreamRouteWatch::outputOfStreamSeen(pa_context* context, const pa_sink_info* sink, int last, void* self)
{
    auto& watch = *static_cast<StreamRouteWatch*>(self);
    if (last || !sink || !watch.movedTo_.isEmpty() || QString::fromUtf8(sink->name) == watch.output_)
        return;
    watch.movedTo_ = QString::fromUtf8(sink->name);
    // A server that moves the streams of an output it removes has unlisted that output by the
    // time this question is answered.
    pa_operation_unref(
        pa_context_get_sink_info_by_name(context, watch.output_.toUtf8().constData(), ownOutputSeen, self));
}

void StreamRouteWatch::ownOutputSeen(pa_context*, const pa_sink_info* sink, int last, void* self)
{
    auto& watch = *static_cast<StreamRouteWatch*>(self);
    if (watch.answered_ || last > 0)
        return;
    watch.outputGone_ = sink == nullptr;
    watch.answered_ = true;
}

} // namespace tarvel
