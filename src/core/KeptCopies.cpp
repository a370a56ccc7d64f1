#include "core/KeptCopies.h"

#include "core/AppContext.h"

void startKeptCopies(AppContext& context, const KeptCopiesOptions& options)
{
    context.archive.setMaxMessageBytes(options.maxMessageBytes());
    const std::optional<int> removed = context.archive.removeExpired(options.retentionDays);
    if (!removed)
        context.log.writeStamped(
            QStringLiteral("  削除したメールの控えの一覧 %1 を読み書きできないため、"
                           "古い控えを残しています")
                .arg(context.archive.indexPath()));
    else if (*removed > 0)
        context.log.writeStamped(
            QStringLiteral("  保存期間（%1 日）を過ぎた削除メールの控え %2 件を削除しました")
                .arg(options.retentionDays)
                .arg(*removed));
}

void chooseKeeper(AppContext& context, bool keepCopies)
{
    context.rotation.setKeeper(keepCopies ? &context.archive : nullptr);
}
