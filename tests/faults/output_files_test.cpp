// quill's files beside what is not its own: a log or listing that is a device, a FIFO or a link,
// plots at a planted link or FIFO or on a full disk, several runs drawing into one folder, what a
// run killed outright leaves, and the folders named at start-up.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <csignal>
#include <algorithm>

#include "fault_support.h"

namespace quill::host {
namespace {

using file_type = std::filesystem::file_type;

const std::string listing_program = "proc print data=lib.info; run;\n";
const std::string silent_program = "data a;\n  input x;\n  datalines;\n1\n;\n"; // writes no listing

std::string plot_program(int grid_size)
{
    return "proc quillfit data=here.fit noprint plots=all;\n  model y = x1 x2 x3;\n  gridsize " +
           std::to_string(grid_size) + ";\nrun;\n";
}

file_type type_of(const std::filesystem::path &path) { return std::filesystem::symlink_status(path).type(); }

bool is_xml(const std::filesystem::path &file)
{
    return std::system(("xmllint --noout '" + file.string() + "' 2>/dev/null").c_str()) == 0;
}

TEST_F(Faults, ADeviceAsTheLogOrListingIsWrittenInPlaceNeverReplaced)
{
    // As root, a null device of the test's own, so that the system's is never at risk; otherwise
    // the system's, which quill cannot replace.
    std::filesystem::path node = "/dev/null";
    if (::geteuid() == 0) {
        node = folder / "null";
        if (::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            GTEST_SKIP() << "device nodes cannot be made here";
    }
    const std::string log = "-log " + node.string(), print = "-print " + node.string();
    for (const auto &[program, options] : {std::pair{listing_program, print}, {silent_program, print},
                                           {silent_program, log}, {listing_program, log + " " + print}}) {
        const Outcome out = run(program, "exec", options);
        EXPECT_EQ(out.status, 0) << options << out.error;
        struct stat status{};
        ASSERT_EQ(::lstat(node.c_str(), &status), 0) << options;
        EXPECT_TRUE(S_ISCHR(status.st_mode) && status.st_rdev == makedev(1, 3)) << options;
    }
}

TEST_F(Faults, AFifoAsTheListingReachesItsReaderEvenWhenEmpty)
{
    ASSERT_EQ(::mkfifo((folder / "lst.fifo").c_str(), 0600), 0);
    // The reader runs beside quill and is waited for; `timeout` only bounds a quill that never
    // opens the FIFO.
    const std::string reader = "exec sh -c 'timeout 60 cat lst.fifo > got.txt & \"$0\" \"$@\"; s=$?; wait; exit $s'";
    Outcome out = run(listing_program, reader, "-print lst.fifo");
    EXPECT_EQ(out.status, 0) << out.error;
    EXPECT_NE(read_file(folder / "got.txt").find("Obs "), std::string::npos);
    EXPECT_EQ(type_of(folder / "lst.fifo"), file_type::fifo);
    out = run(silent_program, reader, "-print lst.fifo");
    EXPECT_EQ(out.status, 0) << out.error; // the reader saw the end
    EXPECT_EQ(read_file(folder / "got.txt"), "");
    EXPECT_EQ(type_of(folder / "lst.fifo"), file_type::fifo);
}

TEST_F(Faults, ALinkAsTheListingIsFollowedAndAnEmptyListingEmptiesAnEarlierOne)
{
    write_file(folder / "real.lst", "an earlier listing\n");
    std::filesystem::create_symlink("real.lst", folder / "link.lst");
    Outcome out = run(listing_program, "exec", "-print link.lst");
    EXPECT_EQ(out.status, 0) << out.error;
    EXPECT_EQ(type_of(folder / "link.lst"), file_type::symlink);
    EXPECT_NE(read_file(folder / "real.lst").find("Obs "), std::string::npos);
    // No listing this time: the earlier one must not pass for it, and nothing is made where
    // there was nothing.
    out = run(silent_program, "exec", "-print link.lst");
    EXPECT_EQ(out.status, 0) << out.error;
    EXPECT_EQ(type_of(folder / "link.lst"), file_type::symlink);
    EXPECT_EQ(read_file(folder / "real.lst"), "");
    EXPECT_EQ(run(silent_program, "exec", "-print fresh.lst").status, 0);
    EXPECT_EQ(type_of(folder / "fresh.lst"), file_type::not_found);
    // A link to standard output, a pipe here, reaches it.
    std::filesystem::create_symlink("/proc/self/fd/1", folder / "out.lnk");
    run(listing_program, "exec", "-print out.lnk | cat > piped.txt");
    EXPECT_NE(read_file(folder / "piped.txt").find("Obs "), std::string::npos);
    EXPECT_EQ(type_of(folder / "out.lnk"), file_type::symlink);
}

TEST_F(Faults, ARunKilledOutrightIsCleanedUpAfterByTheNextRun)
{
    std::filesystem::create_directories(folder / "tmp" / "quill-work-Hers01"); // our form, but no lock: kept
    const std::string program = "data d;\n  input x1 x2;\n  datalines;\n1 2\n;\n"
                                "proc hosttest data=d out=lib.betas; vars x1; run;\n";
    Outcome out = run(program, "TMPDIR=\"$PWD/tmp\" HOSTTEST_RAISE=" + std::to_string(SIGKILL) + " exec");
    EXPECT_EQ(out.status, 128 + SIGKILL);
    auto names = [](const std::filesystem::path &dir) {
        std::vector<std::string> found;
        for (const auto &entry : std::filesystem::directory_iterator(dir))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    };
    ASSERT_EQ(names(folder / "tmp").size(), 2u); // its WORK folder stayed
    ASSERT_EQ(names(lib()).size(), 5u);           // and its unfinished data set
    out = run(program, "TMPDIR=\"$PWD/tmp\" exec");
    EXPECT_EQ(out.status, 0) << out.log;
    EXPECT_NE(out.log.find("NOTE: The file " + (lib() / "betas.csv.partial-").string()), std::string::npos) << out.log;
    EXPECT_NE(out.log.find(", left unfinished by a run that has ended, is removed."), std::string::npos);
    EXPECT_EQ(names(folder / "tmp"), std::vector<std::string>{"quill-work-Hers01"});
    EXPECT_EQ(names(lib()), (std::vector<std::string>{"betas.csv", "info.csv", "pred.csv", "small.csv"}));
}

TEST_F(Faults, APlotNeverFollowsALinkNorWaitsOnAFifoAndDrawingNothingTouchesNothing)
{
    std::filesystem::create_directory(folder / "g");
    write_file(folder / "victim", "precious\n");
    std::filesystem::create_symlink("../victim", folder / "g" / "quillfit1_path.svg");
    ASSERT_EQ(::mkfifo((folder / "g" / "quillfit1_criterion.svg").c_str(), 0600), 0);
    // `timeout` only bounds a quill that waits for a reader of the FIFO.
    Outcome out = run(plot_program(1), "exec timeout 60", "-gpath g");
    EXPECT_EQ(out.status, 1);
    EXPECT_NE(out.log.find("WARNING: The coefficient path plot is not drawn: "), std::string::npos) << out.log;
    EXPECT_EQ(type_of(folder / "g" / "quillfit1_path.svg"), file_type::symlink);
    EXPECT_EQ(read_file(folder / "victim"), "precious\n");

    out = run(plot_program(5), "exec timeout 60", "-gpath g");
    EXPECT_EQ(out.status, 1);
    EXPECT_NE(out.log.find("NOTE: The coefficient path plot is in the file g/quillfit1_path.svg.\n"
                           "WARNING: The criterion plot cannot be written to g/quillfit1_criterion.svg: it is not a "
                           "regular file.\n"),
              std::string::npos)
        << out.log;
    EXPECT_EQ(read_file(folder / "victim"), "precious\n");
    EXPECT_EQ(type_of(folder / "g" / "quillfit1_path.svg"), file_type::regular); // the link was replaced
    EXPECT_TRUE(is_xml(folder / "g" / "quillfit1_path.svg"));
    EXPECT_EQ(type_of(folder / "g" / "quillfit1_criterion.svg"), file_type::fifo);
}

TEST_F(Faults, APlotOnAFullFileSystemKeepsTheEarlierPlot)
{
    if (!can_mount())
        GTEST_SKIP() << "no mount namespaces here: a full file system cannot be made without root";
    ASSERT_EQ(run(plot_program(5), "exec", "-gpath saved").status, 0);
    const auto earlier = snapshot(folder / "saved");
    ASSERT_EQ(earlier.size(), 2u);
    std::filesystem::create_directory(folder / "g");
    std::filesystem::create_directory(folder / "after");
    const std::string prefix = "exec unshare --user --map-root-user --mount sh -c 'mount -t tmpfs -o size=256k tmpfs g "
                               "&& cp saved/* g/ && { dd if=/dev/zero of=g/filler bs=1k 2>/dev/null; true; } && "
                               "\"$0\" \"$@\"; status=$?; cp g/*.svg* after/; exit $status'";
    const Outcome out = run(plot_program(8), prefix, "-gpath g");
    EXPECT_EQ(out.status, 1);
    EXPECT_NE(out.log.find("WARNING: The coefficient path plot cannot be written to g/quillfit1_path.svg: No space left "
                           "on device."),
              std::string::npos)
        << out.log;
    EXPECT_EQ(out.log.find("is in the file"), std::string::npos);
    EXPECT_EQ(snapshot(folder / "after"), earlier); // and no partial file
}

TEST_F(Faults, RunsDrawingIntoOneFolderAtOnceLeaveOnlyCompletePlots)
{
    // Runs of two programs drawing plots of different sizes under the same names, all at once.
    write_file(folder / "q.sas", plot_program(3));
    const std::string at_once = "exec sh -c 'shift; for i in 1 2 3; do \"$0\" p.sas \"$@\" & \"$0\" q.sas \"$@\" & "
                                "done; wait'";
    for (int round = 0; round < 10; ++round) {
        run(plot_program(60), at_once, "-gpath g");
        int plots = 0;
        for (const auto &entry : std::filesystem::directory_iterator(folder / "g")) {
            EXPECT_EQ(entry.path().extension(), ".svg") << entry.path();
            EXPECT_TRUE(is_xml(entry.path())) << entry.path();
            ++plots;
        }
        EXPECT_EQ(plots, 2);
    }
}

TEST_F(Faults, StartUpNamesTheFolderItCannotMakeAndTheGraphicsFolderWaitsForAPlot)
{
    Outcome out = run(silent_program, "TMPDIR=\"$PWD/missing\" exec");
    EXPECT_EQ(out.status, 2);
    EXPECT_EQ(out.error, "quill: the WORK folder " + (folder / "missing" / "quill-work-XXXXXX").string() +
                             " cannot be created (No such file or directory)\n");
    out = run(silent_program, "TMPDIR=\"$PWD/p.sas\" exec");
    EXPECT_EQ(out.error, "quill: the WORK folder " + (folder / "p.sas" / "quill-work-XXXXXX").string() +
                             " cannot be created (Not a directory)\n");
    // A graphics folder is made, or found wanting, only when a plot is drawn.
    EXPECT_EQ(run(silent_program, "exec", "-gpath p.sas/g").status, 0);
    EXPECT_EQ(run(silent_program, "exec", "-gpath later/g").status, 0);
    EXPECT_EQ(type_of(folder / "later"), file_type::not_found);
    out = run(plot_program(5), "exec", "-gpath p.sas/g");
    EXPECT_EQ(out.status, 1);
    EXPECT_NE(out.log.find("WARNING: The coefficient path plot cannot be written to p.sas/g/quillfit1_path.svg: the "
                           "folder p.sas/g cannot be created (Not a directory)."),
              std::string::npos)
        << out.log;
    EXPECT_EQ(run(plot_program(5), "exec", "-gpath later/g").status, 0);
    EXPECT_TRUE(is_xml(folder / "later" / "g" / "quillfit1_path.svg"));
}

} // namespace
} // namespace quill::host
