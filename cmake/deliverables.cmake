# The deliverables, one entry each. A third module is one more entry here plus
# its folders.
#
#   MODULE     the name the module's provider gives itself; its library is
#              lib<module in lower case>.so
#   ALGORITHM  the algorithm's target and folder; the folder's CMakeLists.txt
#              makes the target with ls_add_algorithm
#   TESTS      the algorithm's test group: tests/<group>/, program tests_<group>
#   BENCHMARK  its benchmark: bench/<name>/, program bench/bench_<name>
#
# Each deliverable also gets a fuzz target, fuzz_<module in lower case>.
ls_deliverable(MODULE Larkspur ALGORITHM algo_holtek TESTS algo_holtek BENCHMARK larkspur)
ls_deliverable(MODULE Sorrel ALGORITHM algo_signaltest TESTS algo_signaltest BENCHMARK sorrel)
